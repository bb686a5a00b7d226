// The five measurements; each adds its rows and notes to the context's
// report. They run in this order on one started plug-in; the last one
// leaves the plug-in uninitialised.
#pragma once

#include "bench/bench_session.h"

// DVP_LoadBitmapW / DVP_LoadBitmapStreamW against the same library calls
// made directly, and both against one plain copy of the pixels.
void RunDecodeBench(BenchContext& context);

// DVP_IdentifyFileW against the library's own header reading, and the
// exclusion check alone.
void RunIdentifyBench(BenchContext& context);

// Identification throughput on two threads against one, while settings are
// committed every 10 ms.
void RunScalingBench(BenchContext& context);

// Refusing a 40000 x 40000 file with and without the library's description,
// and what reading the description first adds to ordinary loads.
void RunRefusalBench(BenchContext& context);

// Re-initialisation cycles with a library reporting 300 formats.
void RunInitBench(BenchContext& context);
