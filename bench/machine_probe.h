// How much of the machine the benchmark has: pure computation on two threads
// against one. Near 2 x means two free cores; on a machine shared with other
// work it falls, and every figure of the run is noisier for it.
#pragma once

#include <functional>

// A fixed amount of computation that touches no lock, heap or file.
void Compute();

// Calls per second of `call(worker)` made in a loop by `threads` threads for
// `seconds`; `around` runs before the workers start and after they stop
// (the scaling measurement starts and stops its settings committer there).
double CallsPerSecond(int threads, double seconds, const std::function<void(int worker)>& call,
                      const std::function<void(bool starting)>& around = {});

// Compute() on two threads against one, half a second each.
double TwoCoreAvailability();
