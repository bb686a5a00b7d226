// What one generated scenario reports, and the seeded generator that draws
// it. A scenario is fixed by its seed: the same seed draws the same
// sequence of host calls, the same images and the same deviation seed for
// the stand-ins, so a finding replays with `dopus.exe --replay SEED`.
// (Steps in which several threads call at once replay the same draws only
// when the threads interleave the same way.)
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/support/seeded_random.h"

using Rng = SeededRandom;

// One broken property: which one, and what was seen.
struct Finding {
    std::string property;  // e.g. "dib-exact", "record-on-refusal", "settings-lost"
    std::string detail;
};

// Counts of one deviation kind ("<what>.<field>:<how>"), as the stand-ins
// report them.
struct KindCount {
    int64_t calls = 0;
    int64_t drawn = 0;
};
using KindCounts = std::map<std::string, KindCount>;

struct ScenarioResult {
    std::vector<Finding> findings;
    int64_t exportCalls = 0;
    int64_t dibsExact = 0;        // returned DIBs compared pixel for pixel and found exact
    int64_t refusals = 0;         // loads that answered null
    int64_t heldMoments = 0;      // start-ups or commits held at a call while other threads probed
    int64_t settingsChecks = 0;   // settings files checked at the end
    std::vector<std::string> moments;  // where start-ups and commits were held, and what the file went through
    KindCounts kinds;
};

// Runs one scenario in this process. verbose prints each step on stderr.
ScenarioResult RunScenario(uint64_t seed, bool verbose);

// Prepares the process for scenarios (folders, the stand-ins bound); false
// with a reason on stderr when it cannot.
bool PrepareExploration();
