// For unit tests that bind the stand-in image library in-process, into the
// process-wide binding, as DVP_InitEx would.
#pragma once

#include <string>

#include "tests/support/plugin_module.h"

// <exe folder>\Viewers\libgfl64U.dll and the build's variant without gflEnableLZW.
std::wstring StandInLibraryPath();
std::wstring StandInWithoutLzwPath();

// Binds the stand-in into State().library() (once per process) and resets it.
ImageLibraryControl& BindStandInLibrary();
