// The exported test-steering functions: thin shims over the steering state.
#include "testbed/imagelib/described_image.h"
#include "testbed/imagelib/gfl_testbed_control.h"
#include "testbed/imagelib/library_deviation.h"
#include "testbed/imagelib/testbed_state.h"

void testbedReset() { testbed::Reset(); }

void testbedSetVersion(const char* text) { testbed::SetVersion(text); }

void testbedSetFormats(const TestbedFormat* formats, int32_t count) { testbed::SetFormats(formats, count); }

void testbedSetFaults(uint32_t faultMask) { testbed::SetFaults(faultMask); }

void testbedSetDescription(const char* bytes64) { testbed::SetDescription(bytes64); }

void testbedSetCancelPolls(int32_t pollsPerImage) { testbed::SetCancelPolls(pollsPerImage); }

void testbedGetCounters(TestbedCounters* counters) { testbed::GetCounters(counters); }

void testbedSetBitDepth(int32_t bitsPerComponent, int32_t componentsPerPixel)
{
    testbed::SetBitDepth(bitsPerComponent, componentsPerPixel);
}

void testbedSetEntryHook(int32_t entry, TestbedHook hook, void* context) { testbed::SetEntryHook(entry, hook, context); }

void testbedTrapCallsAfterDetach() { testbed::TrapCallsAfterDetach(); }

void testbedSetDeviation(uint64_t seed, uint32_t ratePerMille) { testbed::SetDeviation(seed, ratePerMille); }

int32_t testbedGetDeviationCounts(TestbedDeviationCount* rows, int32_t capacity)
{
    return testbed::GetDeviationCounts(rows, capacity);
}

int32_t testbedTakeThreadDrawn(int32_t* kinds, int32_t capacity) { return testbed::TakeThreadDrawn(kinds, capacity); }

int32_t testbedGetLastDescribed(TestbedDescribedImage* image) { return testbed::GetLastDescribed(image); }
