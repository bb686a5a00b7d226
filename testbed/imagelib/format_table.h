// The formats the stand-in decodes, and the table it reports by default.
// The decoders always know these formats; a test may replace only the table
// the format calls report, never what can actually be decoded.
#pragma once

#include <cstdint>

#include "testbed/imagelib/gfl_testbed_control.h"

namespace testbed {

// Values are the formats' indices in the default table.
enum class ImageFormat : int32_t { Png, Jpeg, Bmp, Gif, Tga, Pnm, Tbim, Count };

struct FormatRow {
    TestbedFormat format;
    char description[44];          // NUL-terminated
};

int32_t DefaultFormatCount() noexcept;
const FormatRow& DefaultFormatRow(int32_t index) noexcept;

// The short name (at most 7 characters) and the long description (at most
// 63) a file information record carries for a detected format.
const char* FormatShortName(ImageFormat format) noexcept;
const char* FormatLongDescription(ImageFormat format) noexcept;

}  // namespace testbed
