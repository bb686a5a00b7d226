// A replacement for the nothrow array operator new that can be told to fail.
#include "tests/unit/failing_allocation.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

std::atomic<int> g_untilFailure{0};  // 0 = never fail

}  // namespace

void FailNothrowArrayAllocation(int nth) { g_untilFailure.store(nth); }

void StopFailingAllocations() { g_untilFailure.store(0); }

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    int remaining = g_untilFailure.load();
    while (remaining > 0 && !g_untilFailure.compare_exchange_weak(remaining, remaining - 1)) {
    }
    if (remaining == 1)
        return nullptr;
    // The plain nothrow form allocates the way the default array form does,
    // so the default operator delete[] releases it.
    return ::operator new(size, tag);
}
