#include "tests/support/stand_in_library.h"

#include <cstdio>
#include <cstdlib>

#include "tests/support/test_files.h"

std::wstring StandInLibraryPath() { return ViewersFolder() + L"\\libgfl64U.dll"; }

std::wstring StandInWithoutLzwPath()
{
    return ViewersFolder() + L"\\..\\..\\..\\testbed\\nolzw\\libgfl64U.dll";
}

std::wstring StandInWithCompanionPath()
{
    return ViewersFolder() + L"\\..\\..\\..\\testbed\\dependent\\libgfl64U.dll";
}

const LibraryControl& StandInLibrary()
{
    static const LibraryControl control = [] {
        HMODULE module = LoadLibraryW(StandInLibraryPath().c_str());
        const LibraryControl bound = module ? LibraryControl::Bind(module) : LibraryControl{};
        if (!bound.complete()) {
            fprintf(stderr, "cannot bind the stand-in libgfl64U.dll (error %lu)\n", GetLastError());
            abort();
        }
        return bound;
    }();
    return control;
}
