// The stand-in library's steering state: what tests set (version text,
// format table, faults, description override, cancel polls) and what they
// read back (counters). Entry points copy what they need out of it at the
// start of a call and decode without holding any lock.
#pragma once

#include <cstdint>

#include "testbed/imagelib/entry_calls.h"
#include "testbed/imagelib/format_table.h"
#include "testbed/imagelib/gfl_testbed_control.h"

namespace testbed {

// What one decode or information call needs from the steering state.
struct CallSettings {
    uint32_t faults = 0;
    int32_t cancelPolls = 1;
    bool overrideDescription = false;
    char description[64] = {};
    int32_t bitsPerComponent = -1;    // reported instead of the image's own when >= 0
    int32_t componentsPerPixel = -1;
};

CallSettings CurrentCallSettings() noexcept;

// The current version text; stays valid for the life of the process, so a
// caller may keep it while a test sets another. Null when a test set null.
const char* CurrentVersion() noexcept;

int32_t FormatCount() noexcept;
// Copies row `index` out; false when the table holds no such row.
bool CopyFormatRow(int32_t index, FormatRow* row) noexcept;

void AdjustOutstandingBitmaps(int32_t delta) noexcept;
void AdjustOutstandingFileInfos(int32_t delta) noexcept;
void CountForeignFree() noexcept;
void CountCancelPoll() noexcept;
void RecordLoad(uint32_t flags, bool hadCancel, bool usedCallbacks) noexcept;
void RecordInformationSource(bool usedCallbacks) noexcept;
void StorePluginsPath(const wchar_t* folder) noexcept;

// The control functions' work, behind the exported testbed* shims.
void Reset() noexcept;
void SetVersion(const char* text) noexcept;
void SetFormats(const TestbedFormat* formats, int32_t count) noexcept;
void SetFaults(uint32_t faultMask) noexcept;
void SetDescription(const char* bytes64) noexcept;
void SetCancelPolls(int32_t pollsPerImage) noexcept;
void SetBitDepth(int32_t bitsPerComponent, int32_t componentsPerPixel) noexcept;
void GetCounters(TestbedCounters* counters) noexcept;

}  // namespace testbed
