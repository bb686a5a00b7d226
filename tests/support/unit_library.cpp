#include "tests/support/unit_library.h"

#include <gtest/gtest.h>

#include "plugin/plugin_state.h"

std::wstring StandInLibraryPath() { return ViewersFolder() + L"\\libgfl64U.dll"; }

std::wstring StandInWithoutLzwPath() { return ViewersFolder() + L"\\..\\..\\..\\testbed\\nolzw\\libgfl64U.dll"; }

ImageLibraryControl& BindStandInLibrary()
{
    ImageLibraryControl& control = ImageLibraryControl::Get();
    control.Reset();
    EXPECT_TRUE(State().library().load(StandInLibraryPath().c_str()));
    return control;
}
