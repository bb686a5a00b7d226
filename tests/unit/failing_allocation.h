// Makes allocations in this test program fail on demand, for the paths that
// must survive a failed allocation. Off unless a test asks.
#pragma once

// The nth nothrow array allocation from now on answers null (1 = the next).
void FailNothrowArrayAllocation(int nth);
// Back to allocating normally.
void StopFailingAllocations();

// Throwing allocations (operator new, which every container and string
// uses) made by the calling thread from now on: counted, and the nth of them
// (1 = the next; 0 = none) throws std::bad_alloc. Other threads allocate as
// usual. Ends with StopCountingAllocations, which returns the count.
void CountAllocationsOnThisThread(int failNth = 0);
int AllocationsCounted();
int StopCountingAllocations();
