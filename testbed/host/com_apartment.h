// Makes COM usable on the calling thread for the length of one host service
// call: joins the thread's apartment when it has one, otherwise enters a
// single-threaded one and leaves it again at the end.
#pragma once

#include <objbase.h>

class ComApartment {
public:
    ComApartment() noexcept
    {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // RPC_E_CHANGED_MODE: the thread is already in the multithreaded
        // apartment, which serves just as well and is not ours to leave.
        entered_ = SUCCEEDED(result);
        usable_ = entered_ || result == RPC_E_CHANGED_MODE;
    }
    ~ComApartment()
    {
        if (entered_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool usable() const noexcept { return usable_; }

private:
    bool entered_ = false;
    bool usable_ = false;
};
