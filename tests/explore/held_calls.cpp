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

namespace {

int EntryNamed(const std::string& name)
{
    for (int entry = 0; entry < kTbEntryCount; ++entry)
        if (name == kLibraryEntryNames[entry])
            return entry;
    return -1;
}

}  // namespace

CallHold::CallHold(const LibraryControl& library, const std::string& call, int occurrence,
                   std::function<void(const std::string&)> atHold)
    : library_(library), thread_(GetCurrentThreadId()), call_(call), entry_(EntryNamed(call)),
      occurrence_(occurrence), atHold_(std::move(atHold))
{
    Arm();
}

CallHold::~CallHold()
{
    armed_ = false;
    if (entry_ >= 0)
        library_.SetEntryHook(entry_, nullptr, nullptr);
    else
        HostTestbedHookService(call_.c_str(), {});
}

void CallHold::Arm()
{
    if (entry_ >= 0)
        library_.SetEntryHook(entry_, &CallHold::OnLibraryCall, this);
    else
        HostTestbedHookService(call_.c_str(), [this] { OnCall(); });
}

void CallHold::OnLibraryCall(void* context) { static_cast<CallHold*>(context)->OnCall(); }

// A hook runs once; it arms itself again until the hold has happened.
void CallHold::OnCall()
{
    if (!armed_)
        return;
    if (GetCurrentThreadId() != thread_ || ++count_ < occurrence_) {
        Arm();
        return;
    }
    armed_ = false;
    held_ = true;
    atHold_(call_);
}
