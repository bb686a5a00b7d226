// Scenarios the exploration found breaking a property, replayed from their
// seeds: each row is named after what it shows, must reach the moment that
// showed it, and must now hold every property.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/explore/exploration.h"
#include "tests/support/row_name.h"

namespace {

struct ExploredScenario {
    const char* name;
    uint64_t seed;
    const char* moment;  // the start of one of the scenario's moments, or "" for none
};

void PrintTo(const ExploredScenario& row, std::ostream* out) { *out << row.name << " (seed " << row.seed << ")"; }

class ExploredFindings : public testing::TestWithParam<ExploredScenario> {};

TEST_P(ExploredFindings, HoldEveryProperty)
{
    const ExploredScenario& row = GetParam();
    ASSERT_TRUE(PrepareExploration());
    const ScenarioResult result = RunScenario(row.seed, false);
    for (const Finding& finding : result.findings)
        ADD_FAILURE() << finding.property << ": " << finding.detail;
    bool reached = *row.moment == '\0';
    for (const std::string& moment : result.moments)
        reached = reached || moment.rfind(row.moment, 0) == 0;
    EXPECT_TRUE(reached) << "the seed no longer reaches \"" << row.moment << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExploredFindings,
    testing::Values(ExploredScenario{"ConfigureAnswersAtOnceWhileAStartUpIsHeldInTheLibrary", 33, "start-up held in gfl"},
                    ExploredScenario{"CommitHeldInTheConfigFolderServiceKeepsTheFileReadable", 4000263,
                                     "commit held in"},
                    ExploredScenario{"RefusedReadOfASavedFileLeavesTheFirstBackup", 20001970,
                                     "unreadable settings file replaced"},
                    ExploredScenario{"RefusedReadAfterAHeldCommitLeavesTheFirstBackup", 30005167,
                                     "unreadable settings file replaced"},
                    ExploredScenario{"FileTheStartUpNeverSawIsKeptBeforeTheSave", 30005517,
                                     "unreadable settings file replaced"},
                    ExploredScenario{"FileDamagedByTheHostsOwnFailedSaveIsTheHostsMatter", 50016309,
                                     "settings file damaged by the host's failed save"}),
    RowName{});

}  // namespace
