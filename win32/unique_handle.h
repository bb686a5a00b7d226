// Move-only owners for the Win32 handles the plug-in opens. Each owner's
// destructor is the one matching release, so every early return releases in
// pairs and a handle handed over leaves its owner through release().
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
using UniqueBitmap = UniqueHandle<HBITMAP, &DeleteObject>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using UniqueGlobalAtom = UniqueHandle<ATOM, &GlobalDeleteAtom>;

// A window's device context (GetDC): released with the window it came from.
class UniqueWindowDc {
public:
    explicit UniqueWindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~UniqueWindowDc() { reset(); }
    UniqueWindowDc(UniqueWindowDc&& o) noexcept : window_(o.window_), dc_(std::exchange(o.dc_, nullptr)) {}
    UniqueWindowDc& operator=(UniqueWindowDc&&) = delete;
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
