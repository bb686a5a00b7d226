// The plug-in's own code started inside the unit test program. The program
// links dvp_core and is itself the host (dopus.exe exporting the stand-in
// host services, with the stand-in library in its Viewers folder), so
// DVP_InitEx runs exactly as in the DLL and State().settings() is then the
// process-wide settings object that identification reads.
#pragma once

#include <gtest/gtest.h>

#include "plugin/plugin_exports.h"
#include "plugin/plugin_state.h"
#include "settings/plugin_settings.h"
#include "tests/support/plugin_module.h"
#include "tests/support/tbim_file.h"

// What process attach does for the DLL: the init lock and the module handle
// (the program's own). Once per process.
void AttachInProcessModule();

class InProcessPlugin : public testing::Test {
protected:
    ImageLibraryControl& library = ImageLibraryControl::Get();
    ScratchFolder config;
    ScratchFolder files;
    bool started = false;

    void SetUp() override;
    void TearDown() override;

    // DVP_InitEx as a version 13 host; false when it refused.
    bool Start();
    void Stop();

    std::wstring SettingsFile() const { return config.file(L"DVP_QPV.oxc"); }
    // The process-wide settings object; null while not started. The state
    // publishes it read-only; the tests change it as the dialog's commit
    // would.
    static PluginSettings* Settings() { return const_cast<PluginSettings*>(State().settings()); }
    // The number of DVP_InitEx calls not yet balanced.
    static int32_t InitCount()
    {
        Lock lock(State().initLock);
        return State().initCount();
    }
};
