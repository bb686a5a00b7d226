// Timing as part of the surface: a start-up or a commit held still at one
// of its calls into the host or the library while other threads call the
// plug-in, and a thread that runs those calls with a time limit (a call
// that does not come back in time is a finding in itself).
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "testbed/imagelib/library_control.h"

// New threads start on the process's default desktop; the scenarios' threads
// join the desktop of the thread that called UseThisThreadsDesktop, where
// the scenario's windows are.
void UseThisThreadsDesktop();
void JoinScenarioDesktop();

// Runs jobs on a thread of its own, one at a time.
class ProbeThread {
public:
    ProbeThread();
    ~ProbeThread();
    ProbeThread(const ProbeThread&) = delete;
    ProbeThread& operator=(const ProbeThread&) = delete;

    // False when the job did not finish within the time: the probe thread is
    // then stuck in the plug-in and the process cannot go on.
    bool Run(std::function<void()> job, DWORD timeoutMs);

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool stop_ = false;
    HANDLE done_;
    std::thread thread_;
};

// Counts the calls one thread makes into the host's services (the fifteen
// the plug-in calls) and the library's entry points, and at the start of
// the k-th of them runs atHold on that thread, once, before the call
// proceeds. Calls of other threads are not counted.
class CallHold {
public:
    CallHold(const LibraryControl& library, int k, std::function<void(const std::string& call)> atHold);
    ~CallHold();
    CallHold(const CallHold&) = delete;
    CallHold& operator=(const CallHold&) = delete;

    bool held() const { return !heldAt_.empty(); }
    const std::string& heldAt() const { return heldAt_; }
    int counted() const { return count_; }

private:
    struct LibraryHook {
        CallHold* owner;
        int entry;
    };
    static void OnLibraryCall(void* context);
    void OnCall(const std::string& name, const std::function<void()>& rearm);
    void ArmHost(const char* name);
    void ArmLibrary(int entry);

    const LibraryControl& library_;
    const DWORD thread_;
    const int k_;
    std::function<void(const std::string&)> atHold_;
    std::atomic<bool> armed_{true};
    int count_ = 0;
    std::string heldAt_;
    LibraryHook hooks_[kTbEntryCount];
};

// The host services the plug-in calls, by name.
extern const char* const kCalledHostServices[15];
// The library's entry points by TestbedEntry index.
extern const char* const kLibraryEntryNames[kTbEntryCount];
