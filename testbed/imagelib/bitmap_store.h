// The bitmap records the library hands out: their creation from a decoded
// image, their in-place conversion to blue-green-red-alpha, and their
// release. Each record is the first member of a private owner that also
// remembers the pixel kind, so the conversion never guesses from the
// layout bits (which TBIM files set freely).
#pragma once

#include "testbed/imagelib/decoded_image.h"
#include "testbed/imagelib/gfl_library_records.h"

namespace testbed {

// Takes the image's pixels and colour map; null when out of memory. The
// record counts as outstanding until DeleteBitmap.
gfl::Bitmap* NewBitmap(DecodedImage& image) noexcept;

// Releases a record NewBitmap made; null is ignored. Any other pointer (a
// record already released, a block that never was one) is not touched and
// counts as a foreign free.
void DeleteBitmap(gfl::Bitmap* bitmap) noexcept;

// A block of static storage shaped like a record, filled with 0xCD bytes:
// readable, but never a bitmap anyone owns.
gfl::Bitmap* PoisonedBitmap() noexcept;

// Converts in place to 4 bytes per pixel (blue, green, red, alpha), rows
// packed at width * 4 bytes, top row first. The transparent index stays as
// decoded; the colour map goes, since no pixel refers to it any more. A
// pixel-less bitmap keeps its placeholder and changes only its layout.
// *hasPixels (when given) tells whether the record now carries width *
// height converted pixels.
gfl::Error ConvertToBgra(gfl::Bitmap* bitmap, bool* hasPixels = nullptr) noexcept;

// Changes a live record behind the caller's back, for the misbehaviour mode;
// each keeps the record consistent with what it holds. False (the record
// unchanged) for anything but a live record, or when out of memory.
// New dimensions over new pixels of the record's own kind, filled from seed.
bool ReshapeBitmap(gfl::Bitmap* bitmap, int32_t width, int32_t height, uint64_t seed) noexcept;
// New dimensions over a placeholder: the record no longer carries pixels.
bool MakePixelless(gfl::Bitmap* bitmap, int32_t width, int32_t height) noexcept;
// Adds a colour map filled from seed (the conversion then uses it), or
// removes the record's map (the conversion then reads indices as levels).
bool AttachColorMap(gfl::Bitmap* bitmap, uint64_t seed) noexcept;
bool DropColorMap(gfl::Bitmap* bitmap) noexcept;
// Frees the converted pixels and leaves a null pixel pointer.
bool DropPixels(gfl::Bitmap* bitmap) noexcept;

}  // namespace testbed
