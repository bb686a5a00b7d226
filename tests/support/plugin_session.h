// A started plug-in for one test: its own configuration folder (tests run in
// parallel), the stand-in library reset, DVP_InitEx as a version 13 host,
// and DVP_Uninit at the end.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/plugin_module.h"
#include "tests/support/tbim_file.h"

class PluginSession : public testing::Test {
protected:
    PluginModule& plugin = PluginModule::Get();
    ImageLibraryControl& library = ImageLibraryControl::Get();
    ScratchFolder config;
    ScratchFolder files;
    bool started = false;

    void SetUp() override;
    void TearDown() override;

    // Writes a settings file with these exclusions before start-up.
    void WriteSettings(std::initializer_list<const wchar_t*> excluded, bool useForStreams = true);
    void Start();
    void Stop();

    // A TBIM image written into files; returns its path.
    std::wstring Write(const TbimImage& image, const wchar_t* name = L"image.tbim");
};

// A w x h TBIM image of BGRA pixels filled by colour(x, y) -> 0xAARRGGBB.
template <typename ColourFn>
TbimImage BgraImage(int32_t width, int32_t height, ColourFn colour)
{
    TbimImage image;
    image.width = width;
    image.height = height;
    image.bgra = true;
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
