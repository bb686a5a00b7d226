// QueryPerformanceCounter-based timing and the interleaved runner.
#include "bench/bench_clock.h"

#include <windows.h>

#include <algorithm>

double NowSeconds() noexcept
{
    static const double ticksPerSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerSecond;
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1)
        return samples[middle];
    return (samples[middle - 1] + samples[middle]) / 2.0;
}

double MedianDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> differences;
    const size_t count = std::min(a.size(), b.size());
    for (size_t i = 0; i < count; ++i)
        differences.push_back(a[i] - b[i]);
    return Median(differences);
}

std::vector<std::vector<double>> Interleave(int repetitions, const std::vector<std::function<void()>>& steps)
{
    std::vector<std::vector<double>> samples(steps.size());
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        for (size_t n = 0; n < steps.size(); ++n) {
            const size_t index = repetition % 2 == 0 ? n : steps.size() - 1 - n;
            const double start = NowSeconds();
            steps[index]();
            samples[index].push_back(NowSeconds() - start);
        }
    }
    return samples;
}
