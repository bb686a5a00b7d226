// The exploration's parent: runs scenarios in batches, each batch in a
// child process (this program with --batch), so that a crash, a trap or a
// hang ends one scenario, is reported with its seed, and the run goes on
// with the next seed. Adds up what the children report and prints it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ExplorationPlan {
    uint64_t firstSeed = 1;
    int64_t scenarios = 0;      // run this many, or
    double minutes = 0;         // run batches until this much time has passed
    int64_t batchSize = 100;
    std::wstring countFile;     // gets the number of scenarios run
    std::wstring kindsFile;     // gets "kind calls drawn", one deviation kind a line
};

// Reads the kinds files of several runs and fails, naming them, for the
// surface rows (the stand-ins' kinds up to the colon) none of the runs drew.
int CheckRowsDrawn(const std::vector<std::wstring>& kindsFiles);

// Prints the report; returns the process exit code (0 when nothing was found).
int RunExploration(const ExplorationPlan& plan);

// Starts this program with these arguments on the scenarios' own desktop,
// its stdout and stderr on the handles given (inheritable); returns the
// process handle, or null. The desktop is this process's own, named after
// the seed of the first call (the exploration's first seed).
void* StartOnScenarioDesktop(uint64_t firstSeed, const std::wstring& arguments, void* output, void* error);

// The child's side: runs seeds [first, first + count) in this process and
// reports each on stdout.
int RunBatch(uint64_t first, int64_t count);
