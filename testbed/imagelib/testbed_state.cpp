// The one steering state of the stand-in library (call counts and order live
// in entry_calls.cpp). Counters are atomics so
// that counting never waits; everything a test sets lives under one mutex,
// held only to copy in or out, never across a decode or a callback.
#include "testbed/imagelib/testbed_state.h"

#include "testbed/imagelib/library_deviation.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace testbed {
namespace {

constexpr const char* kDefaultVersion = "2.21";

struct Counters {
    std::atomic<int32_t> outstandingBitmaps{0};
    std::atomic<int32_t> outstandingFileInfos{0};
    std::atomic<int32_t> cancelPolls{0};
    std::atomic<uint32_t> lastLoadFlags{0};
    std::atomic<uint8_t> lastLoadHadCancel{0};
    std::atomic<uint8_t> lastLoadUsedCallbacks{0};
    std::atomic<int32_t> foreignFrees{0};
};

struct Settings {
    // Every version text ever set: gflGetVersion hands out pointers into
    // these, which must outlive a later change. A deque never moves them.
    std::deque<std::string> versionTexts;
    const char* version = kDefaultVersion;
    bool customFormats = false;
    int32_t formatCount = 0;
    std::vector<FormatRow> formats;
    CallSettings call;
    wchar_t pluginsPath[260] = {};
};

Counters counters;
std::mutex settingsMutex;   // guards `settings`; never held across a call out
// NOLINTNEXTLINE(cert-err58-cpp): built as the stand-in DLL loads; a failed allocation there has no caller to answer
Settings settings;

void ZeroCounters() noexcept
{
    ResetCallRecord();
    counters.outstandingBitmaps.store(0);
    counters.outstandingFileInfos.store(0);
    counters.cancelPolls.store(0);
    counters.lastLoadFlags.store(0);
    counters.lastLoadHadCancel.store(0);
    counters.lastLoadUsedCallbacks.store(0);
    counters.foreignFrees.store(0);
}

}  // namespace

CallSettings CurrentCallSettings() noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    return settings.call;
}

const char* CurrentVersion() noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    return settings.version;
}

int32_t FormatCount() noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    return settings.customFormats ? settings.formatCount : DefaultFormatCount();
}

bool CopyFormatRow(int32_t index, FormatRow* row) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    if (!settings.customFormats) {
        if (index < 0 || index >= DefaultFormatCount())
            return false;
        *row = DefaultFormatRow(index);
        return true;
    }
    if (index < 0 || index >= settings.formatCount || static_cast<size_t>(index) >= settings.formats.size())
        return false;
    *row = settings.formats[static_cast<size_t>(index)];
    return true;
}

void AdjustOutstandingBitmaps(int32_t delta) noexcept { counters.outstandingBitmaps.fetch_add(delta); }

void AdjustOutstandingFileInfos(int32_t delta) noexcept { counters.outstandingFileInfos.fetch_add(delta); }

void CountForeignFree() noexcept { counters.foreignFrees.fetch_add(1); }

void CountCancelPoll() noexcept { counters.cancelPolls.fetch_add(1); }

void RecordLoad(uint32_t flags, bool hadCancel, bool usedCallbacks) noexcept
{
    counters.lastLoadFlags.store(flags);
    counters.lastLoadHadCancel.store(hadCancel ? 1 : 0);
    counters.lastLoadUsedCallbacks.store(usedCallbacks ? 1 : 0);
}

void RecordInformationSource(bool usedCallbacks) noexcept
{
    counters.lastLoadUsedCallbacks.store(usedCallbacks ? 1 : 0);
}

void StorePluginsPath(const wchar_t* folder) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    std::fill(std::begin(settings.pluginsPath), std::end(settings.pluginsPath), L'\0');
    if (folder)
        wcsncpy(settings.pluginsPath, folder, std::size(settings.pluginsPath) - 1);
}

void Reset() noexcept
{
    {
        std::lock_guard<std::mutex> lock(settingsMutex);
        settings.version = kDefaultVersion;
        settings.customFormats = false;
        settings.formatCount = 0;
        settings.formats.clear();
        settings.call = CallSettings{};
        std::fill(std::begin(settings.pluginsPath), std::end(settings.pluginsPath), L'\0');
    }
    ZeroCounters();
    ResetDeviation();
}

void SetVersion(const char* text) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    if (!text) {
        settings.version = nullptr;
        return;
    }
    try {
        settings.version = settings.versionTexts.emplace_back(text).c_str();
    } catch (...) {
        // Out of memory: the previous text stays.
    }
}

void SetFormats(const TestbedFormat* formats, int32_t count) noexcept
{
    std::vector<FormatRow> rows;
    try {
        if (formats && count > 0) {
            rows.resize(static_cast<size_t>(count), FormatRow{});
            for (size_t i = 0; i < rows.size(); ++i) {
                rows[i].format = formats[i];
                // Rows of a test carry no description of their own.
                size_t length = strnlen(formats[i].name, sizeof formats[i].name);
                length = std::min(length, sizeof rows[i].description - 1);
                std::memcpy(rows[i].description, formats[i].name, length);
                rows[i].description[length] = '\0';
            }
        }
    } catch (...) {
        rows.clear();
    }
    std::lock_guard<std::mutex> lock(settingsMutex);
    settings.customFormats = true;
    settings.formatCount = count;
    settings.formats.swap(rows);
}

void SetFaults(uint32_t faultMask) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    settings.call.faults = faultMask;
}

void SetDescription(const char* bytes64) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    settings.call.overrideDescription = bytes64 != nullptr;
    if (bytes64)
        std::memcpy(settings.call.description, bytes64, sizeof settings.call.description);
}

void SetCancelPolls(int32_t pollsPerImage) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    settings.call.cancelPolls = std::max<int32_t>(pollsPerImage, 1);
}

void SetBitDepth(int32_t bitsPerComponent, int32_t componentsPerPixel) noexcept
{
    std::lock_guard<std::mutex> lock(settingsMutex);
    settings.call.bitsPerComponent = std::min<int32_t>(bitsPerComponent, UINT16_MAX);
    settings.call.componentsPerPixel = std::min<int32_t>(componentsPerPixel, UINT16_MAX);
}

void GetCounters(TestbedCounters* out) noexcept
{
    if (!out)
        return;
    TestbedCounters snapshot = {};
    CopyCallRecord(snapshot);
    snapshot.foreignFrees = counters.foreignFrees.load();
    snapshot.outstandingBitmaps = counters.outstandingBitmaps.load();
    snapshot.outstandingFileInfos = counters.outstandingFileInfos.load();
    snapshot.cancelPolls = counters.cancelPolls.load();
    snapshot.lastLoadFlags = counters.lastLoadFlags.load();
    snapshot.lastLoadHadCancel = counters.lastLoadHadCancel.load();
    snapshot.lastLoadUsedCallbacks = counters.lastLoadUsedCallbacks.load();
    {
        std::lock_guard<std::mutex> lock(settingsMutex);
        std::memcpy(snapshot.pluginsPath, settings.pluginsPath, sizeof snapshot.pluginsPath);
    }
    *out = snapshot;
}

}  // namespace testbed
