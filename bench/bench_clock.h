// Timing for the benchmarks: a monotonic clock, medians, and the runner that
// measures competing variants side by side. The machine is small and shared,
// so every comparison interleaves its variants within each repetition and
// reports medians, never single runs or means.
#pragma once

#include <functional>
#include <vector>

double NowSeconds() noexcept;

double Median(std::vector<double> samples);

// Median of the per-repetition differences a[i] - b[i]: a disturbance that
// hits both runs of one repetition cancels out.
double MedianDifference(const std::vector<double>& a, const std::vector<double>& b);

// Runs every step once per repetition, in forward order on even repetitions
// and in reverse order on odd ones, so that drift, cache state and the
// neighbours' load fall on all steps alike. Returns, per step, the seconds of
// each of its runs.
std::vector<std::vector<double>> Interleave(int repetitions, const std::vector<std::function<void()>>& steps);

// Keeps the compiler from treating writes into a buffer as dead.
inline void Escape(void* pointer)
{
    asm volatile("" : : "g"(pointer) : "memory");
}
