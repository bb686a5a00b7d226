// Readings of what the test process holds (GDI objects, USER objects, kernel
// handles, memory), so that a test can tell that a long run leaked nothing.
//
// Each reading comes from the platform's own counter where it gives one.
// Wine 8 gives none for GDI or USER objects (GetGuiResources is a stub that
// answers 0 with ERROR_CALL_NOT_IMPLEMENTED), reports a handle count of 0
// and a PrivateUsage of 0. Where a counter is missing, GDI objects and
// handles are gauged by a high-water probe instead: the probe creates a
// batch of objects, notes the highest slot they occupy and frees them
// again. Both Windows and Wine hand a new object a free slot before they
// open a new one, so with nothing leaked the probe lands on the same slots
// every time, and every object leaked in between pushes it up by one.
// Memory falls back from PrivateUsage to PagefileUsage (committed private
// bytes either way).
#pragma once

#include <cstdint>
#include <string>

struct ResourceReading {
    int64_t gdiObjects = -1;     // count, or the probe's high-water slot
    int64_t userObjects = -1;    // count; -1 where the platform gives none
    int64_t handles = -1;        // count, or the probe's high-water slot
    int64_t privateBytes = -1;   // committed private memory
    int64_t workingSet = -1;     // resident memory
};

ResourceReading ReadResources();

// One line naming where each reading comes from (native counter, probe or
// missing), for the test's output and the report.
std::string DescribeResourceSources();

// Whether the platform's USER object counter works (not under Wine 8).
bool UserObjectCounterAvailable();
