// The file information records the library fills: from a decoded image,
// with a small library allocation attached that gflFreeFileInformation
// releases, so that a caller who forgets the release shows up in the
// outstanding count.
#pragma once

#include <cstddef>

#include "testbed/imagelib/decoded_image.h"
#include "testbed/imagelib/gfl_library_records.h"
#include "testbed/imagelib/testbed_state.h"

namespace testbed {

// Overwrites the whole record; on failure the record is left as it was.
gfl::Error FillFileInformation(const DecodedImage& image, size_t sourceBytes, const CallSettings& settings,
                               gfl::FileInformation* info) noexcept;

// Releases what FillFileInformation attached; a record without it (never
// filled, or already released) is left alone.
void ReleaseFileInformation(gfl::FileInformation* info) noexcept;

// For an information call that fails after filling the record: releases the
// attachment and leaves in its place a block nobody owns; a later release of
// the record counts as a foreign free.
void DisownFileInformation(gfl::FileInformation* info) noexcept;

}  // namespace testbed
