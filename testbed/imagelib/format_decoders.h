// The two decoders behind DecodeImage: the synthetic TBIM format, and the
// real formats through stb_image. Used only by image_decoder.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/imagelib/decoded_image.h"

namespace testbed {

gfl::Error DecodeTbim(const uint8_t* bytes, size_t size, DecodedImage& out) noexcept;

// `format` is what the signature said (for TGA: whatever is left).
gfl::Error DecodeWithStb(const uint8_t* bytes, size_t size, ImageFormat format, DecodedImage& out) noexcept;

}  // namespace testbed
