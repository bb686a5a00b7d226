// Binds one export of a loaded module by name, cast to its typed pointer.
#pragma once

#include <windows.h>

using RawProc = void (*)();

inline RawProc BindRawExport(HMODULE module, const char* name) noexcept
{
    // void (*)() is the one function-pointer type every other casts to and
    // from without -Wcast-function-type complaining.
    return reinterpret_cast<RawProc>(GetProcAddress(module, name));
}

template <typename Fn>
Fn CastExport(RawProc proc) noexcept
{
    return reinterpret_cast<Fn>(proc);
}

template <typename Fn>
Fn BindExport(HMODULE module, const char* name) noexcept
{
    return CastExport<Fn>(BindRawExport(module, name));
}
