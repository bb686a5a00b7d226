// Writes the stand-in library's synthetic TBIM images, so a test can build
// exact bitmaps (palette, transparent index, colour map, alpha layout, any
// dimensions) and decode them through the plug-in's real entry points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testbed/imagelib/gfl_testbed_control.h"

struct TbimImage {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t layout = 0;
    int16_t transparentIndex = -1;
    bool bgra = false;                  // pixels are BGRA quads, else palette indices
    bool hasColorMap = false;
    uint8_t colorMap[3][256] = {};      // red, green, blue
    std::vector<uint8_t> pixels;        // width*height*(bgra ? 4 : 1) bytes

    std::vector<uint8_t> Bytes() const;
};

// The file's bytes written to path; false when it cannot be written.
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);

// A fresh empty folder under the system's temporary folder for one fixture;
// removed with its files when the test program ends.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};
