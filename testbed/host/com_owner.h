// Owner of one COM interface reference, released with the object's own
// Release.
#pragma once

#include "win32/unique_handle.h"

template <typename T>
void ReleaseCom(T* object) noexcept
{
    object->Release();
}

template <typename T>
using ComOwner = UniqueHandle<T*, &ReleaseCom<T>>;
