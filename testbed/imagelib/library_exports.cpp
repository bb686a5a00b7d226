// Entry points for the library's life and its format table: initialisation,
// version, plug-ins folder, and the per-index format queries.
#include "testbed/imagelib/library_exports.h"

#include <cstring>

#include "testbed/imagelib/record_padding.h"
#include "testbed/imagelib/testbed_state.h"

using testbed::BeginCall;

namespace {

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
    return gfl::kNoError;
}

const char* gflGetVersion() noexcept
{
    BeginCall(kTbGetVersion);
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
    return testbed::FormatCount();
}

// The record is filled whenever the row exists, even when the row's result
// is a failure: a caller that ignores the result then shows it.
gfl::Error gflGetFormatInformationByIndex(int32_t index, gfl::FormatInformation* info) noexcept
{
    BeginCall(kTbGetFormatInformationByIndex);
    testbed::FormatRow row{};
    if (!testbed::CopyFormatRow(index, &row))
        return gfl::kErrorBadFormatIndex;
    if (!info)
        return gfl::kErrorBadParameters;
    FillFormatInformation(index, row, info);
    testbed::PadWholeRecord(testbed::CurrentCallSettings(), info, sizeof *info);
    return row.format.informationResult;
}

gfl::Bool gflFormatIsReadableByIndex(int32_t index) noexcept
{
    BeginCall(kTbFormatIsReadableByIndex);
    testbed::FormatRow row{};
    if (!testbed::CopyFormatRow(index, &row))
        return 0;
    return row.format.readable;
}
