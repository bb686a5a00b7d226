// Thread runs for the scaling measurement and the machine probe.
#include "bench/machine_probe.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "bench/bench_clock.h"

namespace {

constexpr double kProbeSeconds = 0.5;

}  // namespace

void Compute()
{
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 2000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
    }
    Escape(&state);
}

double CallsPerSecond(int threads, double seconds, const std::function<void(int worker)>& call,
                      const std::function<void(bool starting)>& around)
{
    std::atomic<bool> stop{false};
    std::atomic<long long> total{0};
    std::vector<std::thread> workers;
    if (around)
        around(true);
    const double start = NowSeconds();
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            long long calls = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                call(t);
                ++calls;
            }
            total += calls;
        });
    Sleep(static_cast<DWORD>(seconds * 1000));
    stop.store(true);
    for (std::thread& worker : workers)
        worker.join();
    const double elapsed = NowSeconds() - start;
    if (around)
        around(false);
    return static_cast<double>(total.load()) / elapsed;
}

double TwoCoreAvailability()
{
    const auto compute = [](int) { Compute(); };
    const double single = CallsPerSecond(1, kProbeSeconds, compute);
    const double dual = CallsPerSecond(2, kProbeSeconds, compute);
    return dual / single;
}
