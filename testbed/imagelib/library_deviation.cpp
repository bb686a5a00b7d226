// The library's one scenario and its per-kind counts.
#include "testbed/imagelib/library_deviation.h"

#include <algorithm>
#include <cstring>

#include "testbed/imagelib/described_image.h"

namespace testbed {
namespace {

constexpr std::array<std::string_view, kLibraryDeviationCount> kNames = {
#define LIBRARY_DEVIATION_NAME(id, name) name,
    LIBRARY_DEVIATION_KINDS(LIBRARY_DEVIATION_NAME)
#undef LIBRARY_DEVIATION_NAME
};

DeviationCounts<kLibraryDeviationCount> counts(kNames);
DeviationScenario<kLibraryDeviationCount> scenario;

}  // namespace

Drawn Deviate(LibraryDeviation kind) noexcept { return scenario.Draw(static_cast<size_t>(kind), counts); }

bool DeviationActive() noexcept { return scenario.active(); }

void SetDeviation(uint64_t seed, uint32_t ratePerMille) noexcept
{
    // From the first scenario on, every conversion is described for the
    // harness, even at rate 0 (a scenario without faults).
    StartDescribing();
    if (ratePerMille == 0)
        scenario.Stop();
    else
        scenario.Start(seed, ratePerMille);
}

int32_t GetDeviationCounts(TestbedDeviationCount* rows, int32_t capacity) noexcept
{
    const size_t filled = rows && capacity > 0 ? std::min<size_t>(static_cast<size_t>(capacity), counts.size()) : 0;
    for (size_t i = 0; i < filled; ++i) {
        TestbedDeviationCount row = {};
        const std::string_view name = counts.name(i);
        std::memcpy(row.kind, name.data(), std::min(name.size(), sizeof row.kind - 1));
        row.calls = counts.calls(i);
        row.drawn = counts.drawn(i);
        rows[i] = row;
    }
    return static_cast<int32_t>(counts.size());
}

int32_t TakeThreadDrawn(int32_t* kinds, int32_t capacity) noexcept
{
    const std::array<uint64_t, 2> bits = counts.TakeThreadDrawn();
    int32_t filled = 0;
    for (size_t i = 0; i < counts.size(); ++i)
        if ((bits[i / 64] >> (i % 64) & 1) && kinds && filled < capacity)
            kinds[filled++] = static_cast<int32_t>(i);
    return filled;
}

void ResetDeviation() noexcept
{
    scenario.Stop();
    counts.Zero();
    StopDescribing();
}

}  // namespace testbed
