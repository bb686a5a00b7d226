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

// What one call must answer, as the harness knows it before the call: a
// refusal (not initialised, an excluded name, streams declined), the full
// answer (everything known allows one, and the call met no deviation that
// may lead to a refusal), or either.
enum class Expect { Either, Refusal, Answer };

// The deviation kinds both stand-ins drew on the calling thread since the
// last take; taken right before a call, and again after it, they are the
// deviations that call met.
std::vector<std::string> TakeDrawnOnThisThread(const LibraryControl& library);

// Whether any of these kinds, per the surface table, may make a call refuse
// (identification, or loading): a failed or filling-and-failing library
// call, a stream that misreports, a decoded size no DIB takes, a described
// size above the DIB limit. Every other deviation is copied or honoured as
// the table says and leaves the answer due.
bool MayRefuseIdentification(const std::vector<std::string>& kinds);
bool MayRefuseLoad(const std::vector<std::string>& kinds);

// After DVP_LoadBitmapW / DVP_LoadBitmapStreamW on this thread: checks the
// answer against the expectation and the library's description, the pixels
// read back through GDI as a top-down image, and deletes a returned bitmap.
// Returns whether a bitmap came back.
bool CheckLoad(FindingLog& log, const LibraryControl& library, HBITMAP bitmap, const PatternedRecord& record,
               const char* call, Expect expect = Expect::Either);

// After DVP_IdentifyFileW / DVP_IdentifyFileStreamW on this thread: the
// answer against the expectation; an answer's record, field by field, and
// its description text against the file information the library last
// handed this thread.
void CheckIdentify(FindingLog& log, const LibraryControl& library, BOOL answer, const PatternedRecord& record,
                   const char* call, Expect expect = Expect::Either);

// The handled-extensions text, when there is one: ".ext" entries, lower
// case, separated by single semicolons, ascending, once each.
void CheckHandledExtensions(FindingLog& log, const wchar_t* text);

// With no call running: every library bitmap and file information freed,
// nothing freed that was not handed out, no host document open, no invalid
// handle passed to the host.
void CheckQuiescent(FindingLog& log, const LibraryControl& library, const char* after);
