#include "tests/integration/resource_gauges.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <vector>

namespace {

// Large enough to reach past every slot that ordinary work frees and takes
// again, small enough to stay far from any per-process limit.
constexpr int kGdiProbeObjects = 256;
constexpr int kHandleProbeObjects = 64;

int64_t GuiCount(DWORD kind)
{
    return static_cast<int64_t>(GetGuiResources(GetCurrentProcess(), kind));
}

int64_t NativeHandleCount()
{
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count))
        return 0;
    return count;
}

// The highest GDI handle slot (low 16 bits) among a batch of new regions.
int64_t GdiHighWater()
{
    std::vector<HRGN> regions;
    int64_t highest = 0;
    for (int i = 0; i < kGdiProbeObjects; ++i) {
        HRGN region = CreateRectRgn(0, 0, 1, 1);
        if (!region)
            break;
        regions.push_back(region);
        highest = std::max<int64_t>(highest, reinterpret_cast<uintptr_t>(region) & 0xFFFF);
    }
    for (HRGN region : regions)
        DeleteObject(region);
    return highest;
}

// The highest handle value among a batch of new events, in handle units.
int64_t HandleHighWater()
{
    std::vector<HANDLE> events;
    int64_t highest = 0;
    for (int i = 0; i < kHandleProbeObjects; ++i) {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!event)
            break;
        events.push_back(event);
        highest = std::max<int64_t>(highest, static_cast<int64_t>(reinterpret_cast<uintptr_t>(event) / 4));
    }
    for (HANDLE event : events)
        CloseHandle(event);
    return highest;
}

bool GdiCounterAvailable() { return GuiCount(GR_GDIOBJECTS) > 0; }
bool HandleCounterAvailable() { return NativeHandleCount() > 0; }

PROCESS_MEMORY_COUNTERS_EX MemoryCounters()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)))
        return {};
    return counters;
}

}  // namespace

bool UserObjectCounterAvailable() { return GuiCount(GR_USEROBJECTS) > 0; }

ResourceReading ReadResources()
{
    ResourceReading reading;
    reading.gdiObjects = GdiCounterAvailable() ? GuiCount(GR_GDIOBJECTS) : GdiHighWater();
    reading.userObjects = UserObjectCounterAvailable() ? GuiCount(GR_USEROBJECTS) : -1;
    reading.handles = HandleCounterAvailable() ? NativeHandleCount() : HandleHighWater();
    const PROCESS_MEMORY_COUNTERS_EX memory = MemoryCounters();
    const SIZE_T privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    reading.privateBytes = privateBytes ? static_cast<int64_t>(privateBytes) : -1;
    reading.workingSet = memory.WorkingSetSize ? static_cast<int64_t>(memory.WorkingSetSize) : -1;
    return reading;
}

std::string DescribeResourceSources()
{
    const PROCESS_MEMORY_COUNTERS_EX memory = MemoryCounters();
    std::string text = "GDI objects: ";
    text += GdiCounterAvailable() ? "GetGuiResources" : "high-water probe (GetGuiResources gives 0)";
    text += "; USER objects: ";
    text += UserObjectCounterAvailable() ? "GetGuiResources" : "not provided (GetGuiResources gives 0)";
    text += "; handles: ";
    text += HandleCounterAvailable() ? "GetProcessHandleCount" : "high-water probe (GetProcessHandleCount gives 0)";
    text += "; private memory: ";
    text += memory.PrivateUsage ? "PrivateUsage" : memory.PagefileUsage ? "PagefileUsage (PrivateUsage gives 0)"
                                                                         : "not provided";
    text += "; working set: ";
    text += memory.WorkingSetSize ? "WorkingSetSize" : "not provided";
    return text;
}
