// The whole-record fault: a library whose records are larger than the fields
// a caller knows writes all of them. The bytes after the real fields get a
// pattern, up to the size the caller must provide.
#pragma once

#include <cstring>

#include "testbed/imagelib/gfl_testbed_control.h"
#include "testbed/imagelib/testbed_state.h"

namespace testbed {

inline void PadWholeRecord(const CallSettings& settings, void* record, size_t realBytes) noexcept
{
    if (!record || !(settings.faults & kTestbedFillWholeRecords) || realBytes >= kTestbedWholeRecordBytes)
        return;
    std::memset(static_cast<unsigned char*>(record) + realBytes, kTestbedRecordPattern,
                kTestbedWholeRecordBytes - realBytes);
}

}  // namespace testbed
