// The properties checked after every call a scenario makes: a returned DIB
// is exactly the image the library last described to the calling thread
// (size, and pixels row for row with the transparent-colour rule), or the
// answer is a refusal; a refusal leaves the host's record as the contract
// says; the library's bitmaps and file informations, the host's documents
// and handles are all given back; the handled-extensions text is well formed.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "testbed/host/plugin_contract.h"
#include "testbed/imagelib/library_control.h"
#include "tests/explore/exploration.h"

// Collects findings from any thread of the scenario.
class FindingLog {
public:
    explicit FindingLog(ScenarioResult& result, bool verbose) : result_(result), verbose_(verbose) {}
    void Fail(const std::string& property, const std::string& detail);
    void CountDib() { std::lock_guard<std::mutex> lock(mutex_); ++result_.dibsExact; }
    void CountRefusal() { std::lock_guard<std::mutex> lock(mutex_); ++result_.refusals; }
    void CountCall() { std::lock_guard<std::mutex> lock(mutex_); ++result_.exportCalls; }
    void CountHeld() { std::lock_guard<std::mutex> lock(mutex_); ++result_.heldMoments; }
    bool verbose() const { return verbose_; }

private:
    std::mutex mutex_;
    ScenarioResult& result_;
    bool verbose_;
};

// A host record filled with a pattern, with a description buffer of its own
// (also patterned), so every byte the plug-in writes shows.
struct PatternedRecord {
    dvp::FileInfoRecord record{};
    std::vector<wchar_t> description;

    PatternedRecord(uint64_t pattern, uint32_t capacity, bool withBuffer);
    dvp::FileInfoRecord before{};
    std::vector<wchar_t> descriptionBefore;
};

// After DVP_LoadBitmapW / DVP_LoadBitmapStreamW on this thread: checks the
// answer against the library's description and deletes a returned bitmap.
// Returns whether a bitmap came back.
bool CheckLoad(FindingLog& log, const LibraryControl& library, HBITMAP bitmap, const PatternedRecord& record,
               const char* call);

// After DVP_IdentifyFileW / DVP_IdentifyFileStreamW. expectedSize, when
// given, is the image's true width and height (no deviation was drawn).
void CheckIdentify(FindingLog& log, BOOL answer, const PatternedRecord& record, const char* call);

// The handled-extensions text, when there is one: ".ext" entries, lower
// case, separated by single semicolons, ascending, once each.
void CheckHandledExtensions(FindingLog& log, const wchar_t* text);

// With no call running: every library bitmap and file information freed,
// nothing freed that was not handed out, no host document open, no invalid
// handle passed to the host.
void CheckQuiescent(FindingLog& log, const LibraryControl& library, const char* after);
