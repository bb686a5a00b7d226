// The services' one scenario and the counts that it and every deviating
// stream share.
#include "testbed/host/host_deviation.h"

#include "testbed/host/host_testbed_control.h"

namespace {

constexpr std::array<std::string_view, kHostDeviationCount> kNames = {
#define HOST_DEVIATION_NAME(id, name) name,
    HOST_DEVIATION_KINDS(HOST_DEVIATION_NAME)
#undef HOST_DEVIATION_NAME
};

testbed::DeviationCounts<kHostDeviationCount> counts(kNames);
HostDeviationScenario services;

}  // namespace

testbed::Drawn DeviateService(HostDeviation kind) noexcept
{
    return services.Draw(static_cast<size_t>(kind), counts);
}

testbed::Drawn DeviateStream(HostDeviationScenario& scenario, HostDeviation kind) noexcept
{
    return scenario.Draw(static_cast<size_t>(kind), counts);
}

void ResetHostDeviation() noexcept
{
    services.Stop();
    counts.Zero();
}

void HostTestbedSetDeviation(uint64_t seed, uint32_t ratePerMille)
{
    if (ratePerMille == 0)
        services.Stop();
    else
        services.Start(seed, ratePerMille);
}

std::vector<HostDeviationCount> HostTestbedDeviationCounts()
{
    std::vector<HostDeviationCount> rows;
    rows.reserve(counts.size());
    for (size_t i = 0; i < counts.size(); ++i)
        rows.push_back({std::string(counts.name(i)), counts.calls(i), counts.drawn(i)});
    return rows;
}

std::vector<std::string> HostTestbedTakeThreadDrawn()
{
    const std::array<uint64_t, 2> bits = counts.TakeThreadDrawn();
    std::vector<std::string> kinds;
    for (size_t i = 0; i < counts.size(); ++i)
        if (bits[i / 64] >> (i % 64) & 1)
            kinds.emplace_back(counts.name(i));
    return kinds;
}
