// Per-thread records, keyed by thread id under one mutex (a thread_local
// with a destructor would outlive the DLL when a test unloads it while its
// threads go on). A pixel copy is made outside the mutex and swapped in.
#include "testbed/imagelib/described_image.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace testbed {
namespace {

struct Described {
    TestbedDescribedImage image = {};
    std::vector<uint8_t> pixels;
};

std::atomic<bool> describing{false};
std::mutex describedMutex;  // guards `described`
// NOLINTNEXTLINE(cert-err58-cpp): built as the stand-in DLL loads; a failed allocation there has no caller to answer
std::unordered_map<DWORD, Described> described;

template <typename Change>
void ChangeOwn(Change&& change) noexcept
{
    if (!describing.load())
        return;
    try {
        std::lock_guard<std::mutex> lock(describedMutex);
        change(described[GetCurrentThreadId()]);
    } catch (...) {
        // Out of memory: this thread's record stays as it was.
    }
}

}  // namespace

void StartDescribing() noexcept { describing.store(true); }

void StopDescribing() noexcept
{
    describing.store(false);
    std::lock_guard<std::mutex> lock(describedMutex);
    described.clear();
}

void NoteLoadStarted() noexcept
{
    ChangeOwn([](Described& own) {
        TestbedDescribedImage fresh{};
        fresh.informationValid = own.image.informationValid;
        fresh.informationWidth = own.image.informationWidth;
        fresh.informationHeight = own.image.informationHeight;
        fresh.xResolution = own.image.xResolution;
        fresh.yResolution = own.image.yResolution;
        fresh.bitsPerComponent = own.image.bitsPerComponent;
        fresh.componentsPerPixel = own.image.componentsPerPixel;
        std::memcpy(fresh.description, own.image.description, sizeof fresh.description);
        own.image = fresh;
        own.pixels.clear();
        own.pixels.shrink_to_fit();
    });
}

void NoteLoaded(const gfl::Bitmap& record) noexcept
{
    ChangeOwn([&](Described& own) {
        own.image.transparentIndex = record.transparentIndex;
        own.image.layout = record.layout;
        own.image.hasColorMap = record.colorMap ? 1 : 0;
        if (record.colorMap)
            std::memcpy(own.image.colorMap, record.colorMap, sizeof own.image.colorMap);
    });
}

void NoteConverted(const gfl::Bitmap& record, bool hasPixels) noexcept
{
    if (!describing.load())
        return;
    std::vector<uint8_t> copy;
    if (hasPixels && record.data && record.width > 0 && record.height > 0) {
        try {
            copy.assign(record.data, record.data + static_cast<size_t>(record.width) *
                                                      static_cast<size_t>(record.height) * 4u);
        } catch (...) {
            return;  // out of memory: nothing to describe, the record stays invalid
        }
    }
    ChangeOwn([&](Described& own) {
        own.pixels.swap(copy);
        own.image.valid = 1;
        own.image.width = record.width;
        own.image.height = record.height;
        own.image.pixelBytes = own.pixels.size();
        own.image.pixels = own.pixels.empty() ? nullptr : own.pixels.data();
    });
}

void NoteInformationStarted() noexcept
{
    ChangeOwn([](Described& own) { own.image.informationValid = 0; });
}

void NoteInformation(const gfl::FileInformation& record) noexcept
{
    ChangeOwn([&](Described& own) {
        own.image.informationValid = 1;
        own.image.informationWidth = record.width;
        own.image.informationHeight = record.height;
        own.image.xResolution = record.xResolution;
        own.image.yResolution = record.yResolution;
        own.image.bitsPerComponent = record.bitsPerComponent;
        own.image.componentsPerPixel = record.componentsPerPixel;
        std::memcpy(own.image.description, record.description, sizeof own.image.description);
    });
}

int32_t GetLastDescribed(TestbedDescribedImage* image) noexcept
{
    if (!image)
        return 0;
    std::lock_guard<std::mutex> lock(describedMutex);
    const auto found = described.find(GetCurrentThreadId());
    *image = found == described.end() ? TestbedDescribedImage{} : found->second.image;
    return image->valid;
}

}  // namespace testbed
