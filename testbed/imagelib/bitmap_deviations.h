// The misbehaviour mode's deviations of a decoded bitmap record as a load
// hands it out: dimensions, transparent index, layout bits and colour map.
// Each leaves the record consistent with what the stand-in really holds, so
// that the converted pixels are always width * height * 4 bytes or absent.
#pragma once

#include "testbed/imagelib/gfl_library_records.h"

namespace testbed {

// Considers every bitmap kind once, in a fixed order, on a live record.
void DeviateLoadedBitmap(gfl::Bitmap* bitmap) noexcept;

}  // namespace testbed
