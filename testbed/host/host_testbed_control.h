// Steering the stand-in host from tests. Plain C++ functions, called directly
// by test programs that link dopus_services (and by the stand-in's own
// driver for its --config option); they are not exported. Every setting stays
// until changed or until HostTestbedReset.
#pragma once

#include <functional>

// --- Folders ---------------------------------------------------------------
// The folder GetProgramDirW reports; null restores the executable's own
// folder. With fillWithoutTerminator, a folder exactly as long as the
// caller's buffer is copied without a terminator and the call succeeds (a
// host that fills the whole buffer); otherwise such a folder does not fit.
void HostTestbedSetProgramFolder(const wchar_t* folder, bool fillWithoutTerminator = false);
// The folder GetConfigPathW(0, ...) reports, as given (it is not created);
// null restores the default, <program folder>\ConfigFiles, created on demand.
void HostTestbedSetConfigFolder(const wchar_t* folder);

// --- Failures --------------------------------------------------------------
// Makes one service fail: on every call when nthCall is 0, or only on the
// nthCall-th call from now on (1 = the next call). A failing call answers
// FALSE or null and has no other effect; XMLSaveFileW then leaves the disk
// untouched. Returns false for a name the host does not export.
bool HostTestbedFailService(const char* serviceName, int nthCall = 0);
// Lets the service succeed again.
bool HostTestbedStopFailing(const char* serviceName);

// Shorthands for the failures tests ask for most.
inline void HostTestbedFailProgramDir() { HostTestbedFailService("GetProgramDirW"); }
inline void HostTestbedFailConfigPath() { HostTestbedFailService("GetConfigPathW"); }
inline void HostTestbedFailSave() { HostTestbedFailService("XMLSaveFileW"); }

// --- Hooks ----------------------------------------------------------------
// Runs hook once, at the start of the next call of the service, on the
// calling thread, before anything else the call does (an injected failure
// included) and outside every lock of the stand-in host, so the hook may
// stall the call or call back into the plug-in and other services. An empty
// hook disarms. Returns false for a name the host does not export.
bool HostTestbedHookService(const char* serviceName, std::function<void()> hook);

// --- Observation -----------------------------------------------------------
// Calls of one service since the last reset; -1 for a name the host does not
// export.
int HostTestbedCallCount(const char* serviceName);
// Calls of the services that only exist to be bound (the stubs) since the
// last reset; the plug-in is expected never to make one.
int HostTestbedStubCallCount();
// Documents created or loaded and not yet freed.
int HostTestbedOpenDocuments();
// Calls since the last reset that passed a handle which was neither null nor
// a live node (a node of a freed document, a document freed twice, a random
// value).
int HostTestbedInvalidHandleCalls();

// Back to the start: own program folder, default config folder, no
// failures, no hooks, all counters zero. Open documents stay open (and counted).
void HostTestbedReset();
