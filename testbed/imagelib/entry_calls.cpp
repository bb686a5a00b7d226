// Call counts, call order and entry hooks. Counting never waits (atomics);
// a hook is taken out under a mutex and run after it is released, so a hook
// may stall its call while other threads go on calling the library.
#include "testbed/imagelib/entry_calls.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace testbed {
namespace {

struct Hook {
    TestbedHook run = nullptr;
    void* context = nullptr;
};

std::atomic<int32_t> calls[kTbEntryCount] = {};
std::atomic<int32_t> orderLength{0};
std::atomic<uint8_t> order[kTestbedOrderCapacity] = {};

std::mutex hookMutex;  // guards hooks; never held while a hook runs
Hook hooks[kTbEntryCount];

// Plain flags of static storage: still readable after the loader detached us
// and the runtime destroyed everything else.
std::atomic<bool> detached{false};
std::atomic<bool> trapAfterDetach{false};

Hook TakeHook(TestbedEntry entry) noexcept
{
    std::lock_guard<std::mutex> lock(hookMutex);
    Hook taken = hooks[entry];
    hooks[entry] = Hook{};
    return taken;
}

}  // namespace

void BeginCall(TestbedEntry entry) noexcept
{
    if (entry < 0 || entry >= kTbEntryCount)
        return;
    // The library's state is gone once it is detached: a real library would
    // run on destroyed data here, so the caller's fault is made unmistakable.
    if (detached.load() && trapAfterDetach.load())
        TerminateProcess(GetCurrentProcess(), kTestbedCalledAfterDetachExitCode);
    if (detached.load())
        return;
    calls[entry].fetch_add(1);
    const int32_t position = orderLength.fetch_add(1);
    if (position >= 0 && position < kTestbedOrderCapacity)
        order[position].store(static_cast<uint8_t>(entry));
    const Hook hook = TakeHook(entry);
    if (hook.run)
        hook.run(hook.context);
}

void MarkDetached() noexcept { detached.store(true); }

void SetEntryHook(int32_t entry, TestbedHook hook, void* context) noexcept
{
    if (entry < 0 || entry >= kTbEntryCount)
        return;
    std::lock_guard<std::mutex> lock(hookMutex);
    hooks[entry] = Hook{hook, context};
}

void TrapCallsAfterDetach() noexcept { trapAfterDetach.store(true); }

void ResetCallRecord() noexcept
{
    for (auto& count : calls)
        count.store(0);
    orderLength.store(0);
    for (auto& entry : order)
        entry.store(0);
}

void CopyCallRecord(TestbedCounters& counters) noexcept
{
    for (int i = 0; i < kTbEntryCount; ++i)
        counters.calls[i] = calls[i].load();
    counters.orderLength = orderLength.load();
    for (int i = 0; i < kTestbedOrderCapacity; ++i)
        counters.order[i] = order[i].load();
}

}  // namespace testbed
