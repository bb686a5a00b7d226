// The two decoders behind DecodeImage and ReadImageHeader: the synthetic
// TBIM format, and the real formats through stb_image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/imagelib/decoded_image.h"
#include "testbed/imagelib/image_header.h"

namespace testbed {

// The format the signature names (TGA when none matches), refused unless it
// is the one formatIndex asks for (-1 takes any).
gfl::Error DetectRequestedFormat(const uint8_t* bytes, size_t size, int32_t formatIndex,
                                 ImageFormat& format) noexcept;

gfl::Error DecodeTbim(const uint8_t* bytes, size_t size, DecodedImage& out) noexcept;
gfl::Error ReadTbimHeader(const uint8_t* bytes, size_t size, ImageHeader& out) noexcept;

// `format` is what the signature said (for TGA: whatever is left).
gfl::Error DecodeWithStb(const uint8_t* bytes, size_t size, ImageFormat format, DecodedImage& out) noexcept;
gfl::Error ReadStbHeader(const uint8_t* bytes, size_t size, ImageFormat format, ImageHeader& out) noexcept;

// stb_image's header read for the one format its load would pick for these
// bytes (stbi_info tries the formats in another order and goes on after a
// failed one): 1 with the dimensions and channel count the load reports.
int StbHeaderInfo(const uint8_t* bytes, int size, int* width, int* height, int* channels) noexcept;

}  // namespace testbed
