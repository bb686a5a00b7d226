// Steering the stand-in host from tests. Plain C++ functions, called directly
// by test programs that link dopus_services (and by the stand-in's own
// driver for its --config option); they are not exported. Every setting stays
// until changed or until HostTestbedReset.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// --- Folders ---------------------------------------------------------------
// The folder GetProgramDirW reports; null restores the executable's own
// folder. With fillWithoutTerminator, a folder exactly as long as the
// caller's buffer is copied without a terminator and the call succeeds (a
// host that fills the whole buffer); otherwise such a folder does not fit.
void HostTestbedSetProgramFolder(const wchar_t* folder, bool fillWithoutTerminator = false);
// The folder GetConfigPathW(0, ...) reports, as given (it is not created);
// null restores the default, <program folder>\ConfigFiles, created on demand.
// fillWithoutTerminator as for the program folder.
void HostTestbedSetConfigFolder(const wchar_t* folder, bool fillWithoutTerminator = false);

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

// --- XML answers the contract allows ----------------------------------------
// Answers of the XML services that a host may give within its contract and
// the plug-in has to survive, for every call until changed or reset. A
// member left as constructed keeps the ordinary answer; an injected failure
// still comes first.
struct HostTestbedXmlQuirks {
    // A read into a buffer fills the whole capacity passed, without a
    // terminator, and succeeds (XMLGetNodeNameW, XMLGetNodeValueW).
    bool nameWithoutTerminator = false;
    bool valueWithoutTerminator = false;
    // Written to *capacity after every read into a buffer by either of the
    // two, whatever the read answered: the host may write back what it likes.
    std::optional<int> capacityAfterRead = std::nullopt;
    // XMLGetNodeValueW's size query answers this size (0 and negative sizes
    // included) instead of the one the value needs ...
    std::optional<int> valueSize = std::nullopt;
    // ... or the one it needs plus this many characters.
    int valueSizeExtra = 0;
    // What XMLGetNodeBoolValue stores for a true value: any non-zero value
    // means true.
    BOOL trueValue = TRUE;
    // XMLSetNodeNameW renames the node and then answers FALSE.
    bool renameAnswersFalse = false;
};
void HostTestbedSetXmlQuirks(const HostTestbedXmlQuirks& quirks);

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
// Frees every open document, as a test must after the plug-in ran without
// the free service; returns how many there were.
int HostTestbedFreeOpenDocuments();

// --- Misbehaviour mode --------------------------------------------------------
// Seeded misbehaviour for every host service the plug-in calls and for the
// shape of the XML trees the XML services hand back: each answer deviates
// with probability ratePerMille/1000, decided by a hash of (seed, kind, that
// kind's call number), so one seed replays the same scenario for the same
// sequence of calls. Setting a scenario starts every call number at 0; 0
// turns the mode off; HostTestbedReset turns it off and zeroes the counts.
void HostTestbedSetDeviation(uint64_t seed, uint32_t ratePerMille);
// One row per named deviation kind, "<what>.<field>:<how>" (each <what>.<field>
// is one row of the surface table): how often it was considered and how
// often it deviated since the last reset, the streams' kinds included.
struct HostDeviationCount {
    std::string kind;
    int64_t calls;
    int64_t drawn;
};
std::vector<HostDeviationCount> HostTestbedDeviationCounts();
// The kinds drawn on the calling thread since its last take (services and
// streams alike), by name; the take starts the thread's next record.
std::vector<std::string> HostTestbedTakeThreadDrawn();
// A host stream under a scenario of its own: HostStream::Create with a
// seed and a rate (host_stream.h).

// Back to the start: own program folder, default config folder, no
// failures, no XML quirks, no hooks, no misbehaviour mode, all counters zero. Open documents
// stay open (and counted).
void HostTestbedReset();
