// Writes the stand-in library's synthetic TBIM images (the format is in
// gfl_testbed_control.h), so a test or a benchmark can build exact bitmaps
// (palette, transparent index, colour map, alpha layout, any dimensions) and
// have the plug-in decode them through its real entry points.
#pragma once

#include <cstdint>
#include <vector>

#include "testbed/imagelib/gfl_testbed_control.h"

struct TbimImage {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t layout = 0;
    int16_t transparentIndex = -1;
    bool bgra = false;              // pixels are BGRA quads, else palette indices
    bool hasColorMap = false;
    uint8_t colorMap[3][256] = {};  // red, green, blue
    std::vector<uint8_t> pixels;    // width*height*(bgra ? 4 : 1) bytes

    std::vector<uint8_t> Bytes() const;
};

// A w x h TBIM image of BGRA pixels filled by colour(x, y) -> 0xAARRGGBB.
template <typename ColourFn>
TbimImage BgraImage(int32_t width, int32_t height, ColourFn colour)
{
    TbimImage image;
    image.width = width;
    image.height = height;
    image.bgra = true;
    if (width > 0 && height > 0)
        image.pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t argb = colour(x, y);
            image.pixels.push_back(static_cast<uint8_t>(argb));
            image.pixels.push_back(static_cast<uint8_t>(argb >> 8));
            image.pixels.push_back(static_cast<uint8_t>(argb >> 16));
            image.pixels.push_back(static_cast<uint8_t>(argb >> 24));
        }
    return image;
}

// A w x h image of one colour.
inline TbimImage SolidImage(int32_t width, int32_t height, uint32_t argb)
{
    return BgraImage(width, height, [argb](int, int) { return argb; });
}
