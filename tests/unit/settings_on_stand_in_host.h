// The settings code's own tests run against the stand-in host's XML
// services, bound from this executable as the plug-in binds them, over a
// fresh configuration folder per test. Every test also holds that each
// document opened was freed once and no freed or foreign handle was used.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin/host_services.h"
#include "settings/plugin_settings.h"
#include "settings/settings_persistence.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/test_files.h"

class SettingsOnStandInHost : public testing::Test {
protected:
    ScratchFolder folder;
    SettingsFileServices services = HostServices::Bind().settingsFile();
    PluginSettings settings;

    void SetUp() override
    {
        HostTestbedReset();
        HostTestbedSetConfigFolder(folder.path().c_str());
    }

    void TearDown() override
    {
        EXPECT_EQ(HostTestbedOpenDocuments(), 0) << "a document was not freed";
        EXPECT_EQ(HostTestbedInvalidHandleCalls(), 0) << "a freed or foreign handle was used";
        HostTestbedReset();
    }

    std::wstring File() const { return folder.file(L"DVP_QPV.oxc"); }
};
