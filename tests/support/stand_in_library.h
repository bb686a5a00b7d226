// The stand-in image library as the tests reach it: where the build puts it
// and its steering functions, bound from the module the plug-in maps (the
// one in the test program's Viewers folder).
#pragma once

#include <string>

#include "testbed/imagelib/library_control.h"

// <exe folder>\Viewers\libgfl64U.dll and the build's variant without gflEnableLZW.
std::wstring StandInLibraryPath();
std::wstring StandInWithoutLzwPath();
// The build that imports gfl_companion.dll, which lies beside it.
std::wstring StandInWithCompanionPath();

// Maps the library once per process and binds its steering functions; a
// program without it stops.
const LibraryControl& StandInLibrary();
