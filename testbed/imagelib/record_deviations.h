// The misbehaviour mode's deviations of the records the library fills for a
// caller: format information, file information and default load parameters.
// Each is applied to a record already filled truthfully, and never writes
// beyond the room a caller must provide (kTestbedWholeRecordBytes).
#pragma once

#include "testbed/imagelib/gfl_library_records.h"

namespace testbed {

void DeviateFormatInformation(gfl::FormatInformation* info) noexcept;
void DeviateFileInformation(gfl::FileInformation* info) noexcept;
void DeviateDefaultLoadParams(gfl::LoadParams* params) noexcept;

// A row for an index the table does not hold, for a library that answers
// success there: one extension, ".ghost" cut to the slot.
void FillMissingFormatInformation(int32_t index, gfl::FormatInformation* info) noexcept;

}  // namespace testbed
