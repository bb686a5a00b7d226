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

// Holds one thread at the start of its n-th call of one host service or
// library entry point (named as exported): atHold runs there, on that
// thread, once, before the call proceeds. Calls of other threads are not
// counted.
class CallHold {
public:
    CallHold(const LibraryControl& library, const std::string& call, int occurrence,
             std::function<void(const std::string& call)> atHold);
    ~CallHold();
    CallHold(const CallHold&) = delete;
    CallHold& operator=(const CallHold&) = delete;

    bool held() const { return held_; }
    const std::string& call() const { return call_; }

private:
    static void OnLibraryCall(void* context);
    void OnCall();
    void Arm();

    const LibraryControl& library_;
    const DWORD thread_;
    const std::string call_;
    const int entry_;  // the library entry point, or -1 for a host service
    const int occurrence_;
    std::function<void(const std::string&)> atHold_;
    std::atomic<bool> armed_{true};
    int count_ = 0;
    bool held_ = false;
};

// The host services the plug-in calls, by name.
extern const char* const kCalledHostServices[15];
// The library's entry points by TestbedEntry index.
extern const char* const kLibraryEntryNames[kTbEntryCount];
