// The seeded draw behind the stand-ins' misbehaviour mode, shared by the
// stand-in library and the stand-in host. Every answer that may deviate is a
// named kind; each time a kind comes up it is "considered" and deviates when
// a hash of (seed, kind, that kind's call number) falls below the rate. The
// kind enters the hash by its name, so a new kind changes no other kind's
// draws, and one seed replays one scenario for one sequence of calls.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

namespace testbed {

inline constexpr uint32_t kDeviationPerMille = 1000;

// FNV-1a over the kind's name.
constexpr uint64_t DeviationKindKey(std::string_view name) noexcept
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : name) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// The splitmix64 finaliser: every input bit reaches every output bit.
constexpr uint64_t MixDeviationBits(uint64_t x) noexcept
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr uint64_t DeviationBits(uint64_t seed, uint64_t kindKey, uint64_t callNumber) noexcept
{
    return MixDeviationBits(MixDeviationBits(seed ^ kindKey) ^ MixDeviationBits(callNumber));
}

// One draw: whether the answer deviates, and further bits from the same hash
// for choosing how far (a length, a position, a value).
struct Drawn {
    bool deviates = false;
    uint64_t bits = 0;

    explicit operator bool() const noexcept { return deviates; }
    // A value in [0, range); 0 when the range is empty.
    uint64_t Pick(uint64_t range) const noexcept { return range ? (bits >> 10) % range : 0; }
    // A value in [low, high].
    int64_t Between(int64_t low, int64_t high) const noexcept
    {
        return low + static_cast<int64_t>(Pick(static_cast<uint64_t>(high - low) + 1));
    }
};

// Kinds of one component: their names, their keys, and how often each was
// considered and drawn since the counts were zeroed. Counting never waits.
template <size_t N>
class DeviationCounts {
public:
    explicit constexpr DeviationCounts(const std::array<std::string_view, N>& names) noexcept : names_(names)
    {
        for (size_t i = 0; i < N; ++i)
            keys_[i] = DeviationKindKey(names[i]);
    }

    static constexpr size_t size() noexcept { return N; }
    std::string_view name(size_t kind) const noexcept { return names_[kind]; }
    uint64_t key(size_t kind) const noexcept { return keys_[kind]; }
    int64_t calls(size_t kind) const noexcept { return calls_[kind].load(); }
    int64_t drawn(size_t kind) const noexcept { return drawn_[kind].load(); }

    void Count(size_t kind, bool deviated) noexcept
    {
        calls_[kind].fetch_add(1);
        if (!deviated)
            return;
        drawn_[kind].fetch_add(1);
        threadDrawn_[kind / 64] |= uint64_t{1} << (kind % 64);
    }

    // The kinds drawn on the calling thread since its last take, as a bit
    // per kind; the take starts the thread's next record. A harness takes
    // before and after one call to learn which deviations that call met.
    std::array<uint64_t, 2> TakeThreadDrawn() noexcept { return std::exchange(threadDrawn_, {}); }

    void Zero() noexcept
    {
        for (size_t i = 0; i < N; ++i) {
            calls_[i].store(0);
            drawn_[i].store(0);
        }
    }

private:
    std::array<std::string_view, N> names_;
    std::array<uint64_t, N> keys_{};
    std::array<std::atomic<int64_t>, N> calls_{};
    std::array<std::atomic<int64_t>, N> drawn_{};
    // Trivially destructible, so it may outlive a module unloaded while its
    // threads go on.
    static_assert(N <= 128);
    static inline thread_local std::array<uint64_t, 2> threadDrawn_{};
};

// One scenario: a seed, a rate and each kind's call number so far. Starting
// a scenario sets every call number back to 0; a rate of 0 draws nothing and
// counts nothing.
template <size_t N>
class DeviationScenario {
public:
    void Start(uint64_t seed, uint32_t ratePerMille) noexcept
    {
        rate_.store(0, std::memory_order_release);
        seed_.store(seed);
        for (auto& number : callNumbers_)
            number.store(0);
        rate_.store(ratePerMille > kDeviationPerMille ? kDeviationPerMille : ratePerMille,
                    std::memory_order_release);
    }

    void Stop() noexcept { rate_.store(0, std::memory_order_release); }
    bool active() const noexcept { return rate_.load(std::memory_order_acquire) != 0; }

    Drawn Draw(size_t kind, DeviationCounts<N>& counts) noexcept
    {
        const uint32_t rate = rate_.load(std::memory_order_acquire);
        if (rate == 0 || kind >= N)
            return {};
        const uint64_t number = callNumbers_[kind].fetch_add(1);
        Drawn drawn;
        drawn.bits = DeviationBits(seed_.load(), counts.key(kind), number);
        drawn.deviates = drawn.bits % kDeviationPerMille < rate;
        counts.Count(kind, drawn.deviates);
        return drawn;
    }

private:
    std::atomic<uint64_t> seed_{0};
    std::atomic<uint32_t> rate_{0};
    std::array<std::atomic<uint64_t>, N> callNumbers_{};
};

}  // namespace testbed
