// Replacements for operator new (counting and failing on one thread) and
// for the nothrow array operator new that can be told to fail. Both allocate
// with malloc, as the runtime's own forms do, so the default (or the
// poisoning) operator delete releases them.
#include "tests/unit/failing_allocation.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> g_untilFailure{0};  // 0 = never fail
std::atomic<DWORD> g_countingThread{0};  // 0 = nobody counts
std::atomic<int> g_counted{0};
std::atomic<int> g_failAt{0};

}  // namespace

void CountAllocationsOnThisThread(int failNth)
{
    g_counted.store(0);
    g_failAt.store(failNth);
    g_countingThread.store(GetCurrentThreadId());
}

int AllocationsCounted() { return g_counted.load(); }

int StopCountingAllocations()
{
    g_countingThread.store(0);
    g_failAt.store(0);
    return g_counted.load();
}

void* operator new(std::size_t size)
{
    if (g_countingThread.load() == GetCurrentThreadId()) {
        const int count = g_counted.fetch_add(1) + 1;
        if (count == g_failAt.load())
            throw std::bad_alloc();
    }
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}

void FailNothrowArrayAllocation(int nth) { g_untilFailure.store(nth); }

void StopFailingAllocations() { g_untilFailure.store(0); }

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    int remaining = g_untilFailure.load();
    while (remaining > 0 && !g_untilFailure.compare_exchange_weak(remaining, remaining - 1)) {
    }
    if (remaining == 1)
        return nullptr;
    (void)tag;
    return std::malloc(size != 0 ? size : 1);
}
