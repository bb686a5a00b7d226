// What the stand-in reports about a file without decoding its pixels: the
// facts a file information record carries, read from the file's header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/imagelib/decoded_image.h"

namespace testbed {

struct ImageHeader {
    ImageFormat format = ImageFormat::Tbim;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t componentsPerPixel = 0;  // 8-bit components of the decoded pixels
    bool hasColorMap = false;
};

// The same facts as a decode of the same bytes gives them.
ImageHeader HeaderOf(const DecodedImage& image) noexcept;

// Reads the header at the start of `bytes`, which hold the whole source when
// `complete`, else only its start. GIF is decoded whole: whether it reports
// alpha depends on its pixels, so it fails on an incomplete source. A failure
// on an incomplete source may mean only that the header lies further in.
gfl::Error ReadImageHeader(const uint8_t* bytes, size_t size, bool complete, int32_t formatIndex,
                           ImageHeader& out) noexcept;

}  // namespace testbed
