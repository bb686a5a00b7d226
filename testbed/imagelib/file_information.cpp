// File information records and the allocation each carries.
#include "testbed/imagelib/file_information.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace testbed {
namespace {

constexpr uint32_t kDataTag = 0x49464454;   // "TDFI"
// Unequal on purpose, as a scanner's often are: a caller that swaps or
// merges the two shows.
constexpr uint16_t kXResolution = 72;
constexpr uint16_t kYResolution = 96;

struct AttachedData {
    uint32_t tag = kDataTag;
    ImageFormat format = ImageFormat::Tbim;
};

void CopyText(char* destination, size_t capacity, const char* text) noexcept
{
    const size_t length = std::min(std::strlen(text), capacity - 1);
    std::memcpy(destination, text, length);
    destination[length] = '\0';
}

// What a disowned record carries instead of its attachment.
AttachedData disowned{0, ImageFormat::Tbim};

}  // namespace

gfl::Error FillFileInformation(const ImageHeader& image, size_t sourceBytes, const CallSettings& settings,
                               gfl::FileInformation* info) noexcept
{
    if (!info)
        return gfl::kErrorBadParameters;
    auto* attached = new (std::nothrow) AttachedData;
    if (!attached)
        return gfl::kErrorNoMemory;
    attached->format = image.format;

    gfl::FileInformation filled = {};
    filled.type = gfl::kInformationTypeRaster;
    filled.width = image.width;
    filled.height = image.height;
    filled.formatIndex = static_cast<int32_t>(image.format);
    CopyText(filled.formatName, sizeof filled.formatName, FormatShortName(image.format));
    if (settings.overrideDescription)
        std::memcpy(filled.description, settings.description, sizeof filled.description);
    else
        CopyText(filled.description, sizeof filled.description, FormatLongDescription(image.format));
    filled.xResolution = kXResolution;
    filled.yResolution = kYResolution;
    filled.bitsPerComponent = 8;
    filled.componentsPerPixel = image.componentsPerPixel;
    if (settings.bitsPerComponent >= 0)
        filled.bitsPerComponent = static_cast<uint16_t>(settings.bitsPerComponent);
    if (settings.componentsPerPixel >= 0)
        filled.componentsPerPixel = static_cast<uint16_t>(settings.componentsPerPixel);
    filled.numberOfImages = 1;
    filled.fileSize = static_cast<uint32_t>(sourceBytes);
    filled.colorUsed = image.hasColorMap ? 256 : 0;
    filled.libraryData = attached;
    *info = filled;
    AdjustOutstandingFileInfos(1);
    return gfl::kNoError;
}

void ReleaseFileInformation(gfl::FileInformation* info) noexcept
{
    if (!info || !info->libraryData)
        return;
    if (info->libraryData == &disowned) {
        CountForeignFree();
        return;
    }
    auto* attached = static_cast<AttachedData*>(info->libraryData);
    if (attached->tag != kDataTag)
        return;
    attached->tag = 0;
    delete attached;
    info->libraryData = nullptr;
    AdjustOutstandingFileInfos(-1);
}

}  // namespace testbed

namespace testbed {

void DisownFileInformation(gfl::FileInformation* info) noexcept
{
    if (!info)
        return;
    ReleaseFileInformation(info);
    info->libraryData = &disowned;
}

}  // namespace testbed
