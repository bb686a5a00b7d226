#include "tests/explore/held_calls.h"

#include "testbed/host/host_testbed_control.h"

const char* const kCalledHostServices[15] = {
    "GetProgramDirW",   "GetConfigPathW",     "XMLLoadFileW",     "XMLCreateFile",       "XMLSaveFileW",
    "XMLFreeFile",      "XMLGetNodeNameW",    "XMLFirstChildNode", "XMLNextNode",        "XMLGetNodeValueW",
    "XMLGetNodeBoolValue", "XMLSetNodeNameW", "XMLAddChildNodeW", "XMLSetNodeValueW",    "XMLSetNodeBoolValue",
};

const char* const kLibraryEntryNames[kTbEntryCount] = {
    "gflLibraryInit", "gflGetVersion", "gflLibraryExit", "gflSetPluginsPathnameW", "gflEnableLZW",
    "gflGetNumberOfFormat", "gflGetFormatInformationByIndex", "gflFormatIsReadableByIndex",
    "gflGetFileInformationW", "gflGetFileInformationFromHandle", "gflLoadBitmapW", "gflLoadBitmapFromHandle",
    "gflGetDefaultLoadParams", "gflFreeBitmap", "gflFreeFileInformation", "gflChangeColorDepth",
};

namespace {
HDESK g_desktop = nullptr;
}  // namespace

void UseThisThreadsDesktop() { g_desktop = GetThreadDesktop(GetCurrentThreadId()); }

void JoinScenarioDesktop()
{
    if (g_desktop)
        SetThreadDesktop(g_desktop);
}

ProbeThread::ProbeThread() : done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), thread_([this] { Loop(); }) {}

ProbeThread::~ProbeThread()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
    CloseHandle(done_);
}

bool ProbeThread::Run(std::function<void()> job, DWORD timeoutMs)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = std::move(job);
    }
    wake_.notify_one();
    return WaitForSingleObject(done_, timeoutMs) == WAIT_OBJECT_0;
}

void ProbeThread::Loop()
{
    JoinScenarioDesktop();
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || job_; });
            if (!job_)
                return;
            job = std::move(job_);
            job_ = nullptr;
        }
        job();
        SetEvent(done_);
    }
}

CallHold::CallHold(const LibraryControl& library, int k, std::function<void(const std::string&)> atHold)
    : library_(library), thread_(GetCurrentThreadId()), k_(k), atHold_(std::move(atHold))
{
    for (const char* name : kCalledHostServices)
        ArmHost(name);
    for (int entry = 0; entry < kTbEntryCount; ++entry) {
        hooks_[entry] = {this, entry};
        ArmLibrary(entry);
    }
}

CallHold::~CallHold()
{
    armed_ = false;
    for (const char* name : kCalledHostServices)
        HostTestbedHookService(name, {});
    for (int entry = 0; entry < kTbEntryCount; ++entry)
        library_.SetEntryHook(entry, nullptr, nullptr);
}

void CallHold::ArmHost(const char* name)
{
    HostTestbedHookService(name, [this, name] { OnCall(name, [this, name] { ArmHost(name); }); });
}

void CallHold::ArmLibrary(int entry) { library_.SetEntryHook(entry, &CallHold::OnLibraryCall, &hooks_[entry]); }

void CallHold::OnLibraryCall(void* context)
{
    auto* hook = static_cast<LibraryHook*>(context);
    CallHold* self = hook->owner;
    const int entry = hook->entry;
    self->OnCall(kLibraryEntryNames[entry], [self, entry] { self->ArmLibrary(entry); });
}

// Each hook runs once; it arms itself again for the next call until the
// hold has happened. Only the held thread counts, and only it makes calls
// until then, so the k-th call is the same one on every run of a seed.
void CallHold::OnCall(const std::string& name, const std::function<void()>& rearm)
{
    if (!armed_)
        return;
    if (GetCurrentThreadId() != thread_) {
        rearm();
        return;
    }
    if (++count_ < k_) {
        rearm();
        return;
    }
    armed_ = false;
    heldAt_ = name;
    atHold_(name);
}
