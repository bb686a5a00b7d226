// Move-only owners for the Win32 handles the plug-in opens. Each owner's
// destructor is the one matching release, so every early return releases in
// pairs.
#pragma once

#include <windows.h>

#include <utility>

template <typename T, auto Close, T Invalid = T{}>
class UniqueHandle {
public:
    explicit UniqueHandle(T h = Invalid) noexcept : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        reset(o.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const noexcept { return h_; }
    T release() noexcept { return std::exchange(h_, Invalid); }
    void reset(T h = Invalid) noexcept
    {
        if (h_ != Invalid)
            Close(h_);
        h_ = h;
    }
    explicit operator bool() const noexcept { return h_ != Invalid; }

private:
    T h_;
};

using UniqueMemoryDc = UniqueHandle<HDC, &DeleteDC>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, &DeleteObject>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;

// A window's device context: released with the window it came from.
class UniqueWindowDc {
public:
    UniqueWindowDc(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
    ~UniqueWindowDc() { reset(); }
    UniqueWindowDc(const UniqueWindowDc&) = delete;
    UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;

    HDC get() const noexcept { return dc_; }
    void reset() noexcept
    {
        if (dc_)
            ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};
