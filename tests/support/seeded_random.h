// SplitMix64: a small seeded generator that gives the same sequence on every
// platform and every run, so a generated case replays from its seed.
#pragma once

#include <cstdint>
#include <vector>

class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound); 0 when bound is 0.
    uint64_t Below(uint64_t bound) { return bound ? Next() % bound : 0; }
    bool Chance(uint32_t perMille) { return Below(1000) < perMille; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) { return items[Below(items.size())]; }

private:
    uint64_t state_;
};
