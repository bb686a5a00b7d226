// A started plug-in for one test, however the program reaches it (see
// plugin_under_test.h): its own configuration folder (tests run in
// parallel), the stand-in host and library reset, DVP_InitEx as a version 13
// host, and DVP_Uninit at the end. Also the host's calls that many tests
// make the same way.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/plugin_under_test.h"
#include "tests/support/saved_settings.h"
#include "tests/support/stand_in_library.h"
#include "testbed/imagelib/tbim_image.h"
#include "tests/support/test_files.h"

class PluginSession : public testing::Test {
protected:
    const dvp::PluginExports& plugin = ThePlugin().exports;
    const LibraryControl& library = StandInLibrary();
    ScratchFolder config;
    ScratchFolder files;
    bool started = false;

    void SetUp() override;
    void TearDown() override;

    // DVP_InitEx as a version 13 host; false, and a failure, when it refused.
    bool Start();
    void Stop();

    std::wstring SettingsFile() const { return config.file(L"DVP_QPV.oxc"); }
    // Writes a settings file with these exclusions before start-up.
    void WriteSettings(std::initializer_list<const wchar_t*> excluded, bool useForStreams = true);
    // A TBIM image written into files; returns its path.
    std::wstring Write(const TbimImage& image, const wchar_t* name = L"image.tbim");

    // The host's calls over a memory stream holding bytes.
    BOOL IdentifyStream(const std::vector<uint8_t>& bytes, const wchar_t* name, dvp::FileInfoRecord* record);
    HBITMAP LoadStream(const std::vector<uint8_t>& bytes, const wchar_t* name, dvp::FileInfoRecord* record);
    // The handled-extensions pointer as DVP_IdentifyW reports it.
    const wchar_t* HandledExtensions();
    // Every bitmap and file information the library handed out was freed.
    void ExpectLibraryObjectsFreed();
};
