// Texts without a terminator fill their whole field with letters; padded
// records get the whole-record pattern; extremes take both ends of a field's
// range.
#include "testbed/imagelib/record_deviations.h"

#include <cstring>

#include "testbed/imagelib/library_deviation.h"

namespace testbed {
namespace {

void FillLetters(char* field, size_t length, uint64_t bits) noexcept
{
    for (size_t i = 0; i < length; ++i)
        field[i] = static_cast<char>('a' + (bits >> (i % 60)) % 26);
}

void Pad(void* record, size_t realBytes) noexcept
{
    std::memset(static_cast<unsigned char*>(record) + realBytes, kTestbedRecordPattern,
                kTestbedWholeRecordBytes - realBytes);
}

uint16_t Extreme16(const Drawn& drawn) noexcept
{
    static constexpr uint16_t kValues[] = {0, 1, 0x7FFF, 0x8000, 0xFFFF};
    return kValues[drawn.Pick(std::size(kValues))];
}

}  // namespace

void DeviateFormatInformation(gfl::FormatInformation* info) noexcept
{
    if (!info || !DeviationActive())
        return;
    if (const Drawn beyond = Deviate(LibraryDeviation::ExtensionCountBeyondSlots))
        info->extensionCount = static_cast<int32_t>(beyond.Between(gfl::kExtensionSlots + 1, INT32_MAX));
    if (const Drawn negative = Deviate(LibraryDeviation::ExtensionCountNegative))
        info->extensionCount = static_cast<int32_t>(negative.Between(INT32_MIN, -1));
    if (const Drawn unterminated = Deviate(LibraryDeviation::ExtensionsUnterminated)) {
        for (auto& slot : info->extensions)
            FillLetters(slot, sizeof slot, unterminated.bits);
    }
    if (const Drawn nonAscii = Deviate(LibraryDeviation::ExtensionsNonAscii)) {
        for (size_t j = 0; j < std::size(info->extensions); ++j) {
            const size_t length = 1 + (nonAscii.bits >> j) % 7;
            for (size_t i = 0; i < length; ++i)
                info->extensions[j][i] = static_cast<char>(0x80 + ((nonAscii.bits >> (i + j)) & 0x7F));
            info->extensions[j][length] = '\0';
        }
    }
    if (Deviate(LibraryDeviation::FormatInfoPadded))
        Pad(info, sizeof *info);
}

void DeviateFileInformation(gfl::FileInformation* info) noexcept
{
    if (!info || !DeviationActive())
        return;
    if (const Drawn negative = Deviate(LibraryDeviation::FileInfoWidthNegative))
        info->width = static_cast<int32_t>(negative.Between(INT32_MIN, -1));
    if (Deviate(LibraryDeviation::FileInfoWidthZero))
        info->width = 0;
    if (const Drawn huge = Deviate(LibraryDeviation::FileInfoWidthHuge))
        info->width = static_cast<int32_t>(huge.Between(0x10000000, INT32_MAX));
    if (const Drawn negative = Deviate(LibraryDeviation::FileInfoHeightNegative))
        info->height = static_cast<int32_t>(negative.Between(INT32_MIN, -1));
    if (Deviate(LibraryDeviation::FileInfoHeightZero))
        info->height = 0;
    if (const Drawn huge = Deviate(LibraryDeviation::FileInfoHeightHuge))
        info->height = static_cast<int32_t>(huge.Between(0x10000000, INT32_MAX));
    if (const Drawn unterminated = Deviate(LibraryDeviation::FileInfoDescriptionUnterminated))
        FillLetters(info->description, sizeof info->description, unterminated.bits);
    if (const Drawn extreme = Deviate(LibraryDeviation::FileInfoResolutionExtreme)) {
        info->xResolution = Extreme16(extreme);
        info->yResolution = Extreme16(Drawn{true, extreme.bits >> 20});
    }
    if (const Drawn extreme = Deviate(LibraryDeviation::FileInfoBitsExtreme))
        info->bitsPerComponent = Extreme16(extreme);
    if (const Drawn extreme = Deviate(LibraryDeviation::FileInfoComponentsExtreme))
        info->componentsPerPixel = Extreme16(extreme);
    if (Deviate(LibraryDeviation::FileInfoPadded))
        Pad(info, sizeof *info);
}

void DeviateDefaultLoadParams(gfl::LoadParams* params) noexcept
{
    if (!params || !DeviationActive())
        return;
    if (const Drawn extreme = Deviate(LibraryDeviation::DefaultFlagsExtreme))
        params->flags = extreme.Pick(2) ? 0xFFFFFFFFu : 0u;
    if (Deviate(LibraryDeviation::DefaultParamsPadded))
        Pad(params, sizeof *params);
}

void FillMissingFormatInformation(int32_t index, gfl::FormatInformation* info) noexcept
{
    gfl::FormatInformation filled = {};
    filled.index = index;
    std::memcpy(filled.name, "ghost", 6);
    std::memcpy(filled.description, "A format the table does not hold", 33);
    filled.extensionCount = 1;
    std::memcpy(filled.extensions[0], "ghost", 6);
    filled.status = gfl::kFormatStatusReadable;
    *info = filled;
}

}  // namespace testbed
