// ConvertToDib: copies a converted library bitmap (4 bytes per pixel, blue,
// green, red, alpha, rows packed top row first) into a new 32-bit top-down
// DIB section.
#pragma once

#include <windows.h>

#include <cstdint>

#include "imagelib/gfl_records.h"
#include "win32/unique_handle.h"

// Takes over the window's device context and releases it as soon as the
// memory device context exists. With a transparent colour (red in bits 0-7,
// green 8-15, blue 16-23) every pixel of that colour gets alpha 0 and every
// other pixel alpha 255; otherwise the alpha bytes are the library's. Null
// on any failure, including dimensions that are not positive or whose byte
// count a DIB section cannot hold. The caller owns the returned section.
HBITMAP ConvertToDib(UniqueWindowDc windowDc, const GflBitmap& bitmap, bool hasTransparentColor,
                     uint32_t transparentColor) noexcept;

// Byte count of a width x height 32-bit image, or 0 when the dimensions are
// not positive or the count exceeds what a DIB section can hold.
uint64_t DibByteCount(int32_t width, int32_t height) noexcept;
