// Entry points for the library's life and its format table: initialisation,
// version, plug-ins folder, and the per-index format queries.
#include "testbed/imagelib/library_exports.h"

#include <windows.h>

#include <cstring>
#include <mutex>

#include "testbed/imagelib/library_deviation.h"
#include "testbed/imagelib/record_deviations.h"
#include "testbed/imagelib/record_padding.h"
#include "testbed/imagelib/testbed_state.h"

using testbed::BeginCall;
using testbed::Deviate;
using testbed::LibraryDeviation;

namespace {

// Version texts older than the plug-in accepts, in text order and in number
// order.
constexpr const char* kTooOldVersions[] = {"2.19", "2.2", "2.1", "2.10", "10.0", "1.99", "", "2"};

// "2.2x-rc9" without a terminator, its last byte the last of a readable page
// that a page which cannot be read follows: a caller that reads past the
// version it needs faults at once. Null when the pages cannot be had.
const char* UnterminatedVersion(bool newer) noexcept
{
    static const char* texts[2] = {};
    static std::once_flag once;
    std::call_once(once, [] {
        SYSTEM_INFO system = {};
        GetSystemInfo(&system);
        const size_t page = system.dwPageSize;
        auto* base = static_cast<char*>(VirtualAlloc(nullptr, page * 4, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base)
            return;
        // Arrays, not literals: the texts carry no terminator on purpose.
        static constexpr char kOlder[8] = {'2', '.', '2', '0', '-', 'r', 'c', '9'};
        static constexpr char kNewer[8] = {'2', '.', '2', '1', '-', 'r', 'c', '9'};
        std::memcpy(base + page - sizeof kOlder, kOlder, sizeof kOlder);
        std::memcpy(base + page * 3 - sizeof kNewer, kNewer, sizeof kNewer);
        DWORD previous = 0;
        if (!VirtualProtect(base + page, page, PAGE_NOACCESS, &previous) ||
            !VirtualProtect(base + page * 3, page, PAGE_NOACCESS, &previous))
            return;
        texts[0] = base + page - 8;
        texts[1] = base + page * 3 - 8;
    });
    return texts[newer ? 1 : 0];
}

void FillFormatInformation(int32_t index, const testbed::FormatRow& row, gfl::FormatInformation* info) noexcept
{
    gfl::FormatInformation filled = {};
    filled.index = index;
    std::memcpy(filled.name, row.format.name, sizeof filled.name);
    std::memcpy(filled.description, row.description, sizeof filled.description);
    // The count is reported as is, even beyond the slots the record holds.
    filled.extensionCount = row.format.extensionCount;
    static_assert(sizeof filled.extensions == sizeof row.format.extensions);
    std::memcpy(filled.extensions, row.format.extensions, sizeof filled.extensions);
    filled.status = row.format.readable == 1 ? gfl::kFormatStatusReadable : 0;
    std::memcpy(filled.fourCharacterCode, row.format.name, sizeof filled.fourCharacterCode);
    *info = filled;
}

}  // namespace

gfl::Error gflLibraryInit() noexcept
{
    BeginCall(kTbLibraryInit);
    return Deviate(LibraryDeviation::InitFails) ? gfl::kErrorInjected : gfl::kNoError;
}

const char* gflGetVersion() noexcept
{
    BeginCall(kTbGetVersion);
    const testbed::Drawn null = Deviate(LibraryDeviation::VersionNull);
    const testbed::Drawn tooOld = Deviate(LibraryDeviation::VersionTooOld);
    const testbed::Drawn unterminated = Deviate(LibraryDeviation::VersionUnterminated);
    if (null)
        return nullptr;
    if (tooOld)
        return kTooOldVersions[tooOld.Pick(std::size(kTooOldVersions))];
    if (unterminated) {
        if (const char* text = UnterminatedVersion(unterminated.Pick(2) != 0))
            return text;
    }
    return testbed::CurrentVersion();
}

void gflLibraryExit() noexcept { BeginCall(kTbLibraryExit); }

void gflSetPluginsPathnameW(const wchar_t* folder) noexcept
{
    BeginCall(kTbSetPluginsPathnameW);
    testbed::StorePluginsPath(folder);
}

int32_t gflGetNumberOfFormat() noexcept
{
    BeginCall(kTbGetNumberOfFormat);
    const testbed::Drawn negative = Deviate(LibraryDeviation::FormatCountNegative);
    const testbed::Drawn zero = Deviate(LibraryDeviation::FormatCountZero);
    const testbed::Drawn beyond = Deviate(LibraryDeviation::FormatCountBeyondTable);
    if (negative)
        return static_cast<int32_t>(negative.Between(INT32_MIN, -1));
    if (zero)
        return 0;
    const int32_t count = testbed::FormatCount();
    // Not arbitrarily far: every index up to the count is asked about.
    if (beyond && count >= 0 && count < INT32_MAX - 64)
        return count + 1 + static_cast<int32_t>(beyond.Pick(64));
    return count;
}

// The record is filled whenever the row exists, even when the row's result
// is a failure: a caller that ignores the result then shows it.
gfl::Error gflGetFormatInformationByIndex(int32_t index, gfl::FormatInformation* info) noexcept
{
    BeginCall(kTbGetFormatInformationByIndex);
    const testbed::Drawn fails = Deviate(LibraryDeviation::FormatInfoFails);
    const testbed::Drawn succeeds = Deviate(LibraryDeviation::FormatInfoSucceedsForMissingRow);
    testbed::FormatRow row{};
    if (!testbed::CopyFormatRow(index, &row)) {
        if (!succeeds || !info)
            return gfl::kErrorBadFormatIndex;
        testbed::FillMissingFormatInformation(index, info);
        testbed::DeviateFormatInformation(info);
        return gfl::kNoError;
    }
    if (!info)
        return gfl::kErrorBadParameters;
    FillFormatInformation(index, row, info);
    testbed::PadWholeRecord(testbed::CurrentCallSettings(), info, sizeof *info);
    testbed::DeviateFormatInformation(info);
    return fails ? gfl::kErrorInjected : row.format.informationResult;
}

gfl::Bool gflFormatIsReadableByIndex(int32_t index) noexcept
{
    BeginCall(kTbFormatIsReadableByIndex);
    const testbed::Drawn flipped = Deviate(LibraryDeviation::ReadableFlipped);
    const testbed::Drawn notOne = Deviate(LibraryDeviation::ReadableNotExactlyOne);
    testbed::FormatRow row{};
    gfl::Bool readable = testbed::CopyFormatRow(index, &row) ? row.format.readable : 0;
    if (flipped)
        readable = readable == 1 ? 0 : 1;
    if (notOne)
        readable = static_cast<gfl::Bool>(notOne.Between(2, 255));
    return readable;
}
