// Makes nothrow array allocations (new (std::nothrow) T[n]) in this test
// program fail on demand, for the paths that must survive a failed buffer
// allocation. Off unless a test asks.
#pragma once

// The nth nothrow array allocation from now on answers null (1 = the next).
void FailNothrowArrayAllocation(int nth);
// Back to allocating normally.
void StopFailingAllocations();
