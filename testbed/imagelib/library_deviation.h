// The stand-in library's misbehaviour mode: every named way in which one of
// its answers may deviate from the contract, and the one scenario (seed and
// rate) that decides, call by call, whether it does. Each kind is
// "<what>.<field>:<how>"; <what>.<field> names one row of docs/surface.md.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/deviation_draw.h"
#include "testbed/imagelib/gfl_testbed_control.h"

namespace testbed {

#define LIBRARY_DEVIATION_KINDS(X)                                                                    \
    X(InitFails, "gflLibraryInit.result:fail")                                                        \
    X(VersionNull, "gflGetVersion.text:null")                                                         \
    X(VersionTooOld, "gflGetVersion.text:too-old")                                                    \
    X(VersionUnterminated, "gflGetVersion.text:unterminated")                                         \
    X(FormatCountNegative, "gflGetNumberOfFormat.count:negative")                                     \
    X(FormatCountZero, "gflGetNumberOfFormat.count:zero")                                             \
    X(FormatCountBeyondTable, "gflGetNumberOfFormat.count:beyond-table")                              \
    X(FormatInfoFails, "gflGetFormatInformationByIndex.result:fail")                                  \
    X(FormatInfoSucceedsForMissingRow, "gflGetFormatInformationByIndex.result:success") \
    X(ExtensionCountBeyondSlots, "formatInfo.extensionCount:beyond-slots")                            \
    X(ExtensionCountNegative, "formatInfo.extensionCount:negative")                                   \
    X(ExtensionsUnterminated, "formatInfo.extensions:unterminated")                                   \
    X(ExtensionsNonAscii, "formatInfo.extensions:non-ascii")                                          \
    X(FormatInfoPadded, "formatInfo.record:padded")                                                   \
    X(ReadableFlipped, "gflFormatIsReadableByIndex.result:flipped")                                   \
    X(ReadableNotExactlyOne, "gflFormatIsReadableByIndex.result:not-one")                     \
    X(FileInfoFails, "gflGetFileInformationW.result:fail")                                            \
    X(FileInfoFailsAfterFill, "gflGetFileInformationW.result:filled")                        \
    X(StreamInfoFails, "gflGetFileInformationFromHandle.result:fail")                                 \
    X(StreamInfoFailsAfterFill, "gflGetFileInformationFromHandle.result:filled")             \
    X(FileInfoWidthNegative, "fileInfo.width:negative")                                               \
    X(FileInfoWidthZero, "fileInfo.width:zero")                                                       \
    X(FileInfoWidthHuge, "fileInfo.width:huge")                                                       \
    X(FileInfoHeightNegative, "fileInfo.height:negative")                                             \
    X(FileInfoHeightZero, "fileInfo.height:zero")                                                     \
    X(FileInfoHeightHuge, "fileInfo.height:huge")                                                     \
    X(FileInfoDescriptionUnterminated, "fileInfo.description:unterminated")                           \
    X(FileInfoResolutionExtreme, "fileInfo.resolution:extreme")                                       \
    X(FileInfoBitsExtreme, "fileInfo.bitsPerComponent:extreme")                                       \
    X(FileInfoComponentsExtreme, "fileInfo.componentsPerPixel:extreme")                               \
    X(FileInfoPadded, "fileInfo.record:padded")                                                       \
    X(DefaultFlagsExtreme, "defaultLoadParams.flags:extreme")                                         \
    X(DefaultParamsPadded, "defaultLoadParams.record:padded")                                         \
    X(LoadFails, "gflLoadBitmapW.result:fail")                                                        \
    X(LoadFailsAfterStore, "gflLoadBitmapW.result:fail-after-store")                                  \
    X(LoadSucceedsWithoutBitmap, "gflLoadBitmapW.result:success-null")                                \
    X(StreamLoadFails, "gflLoadBitmapFromHandle.result:fail")                                         \
    X(StreamLoadFailsAfterStore, "gflLoadBitmapFromHandle.result:fail-after-store")                   \
    X(StreamLoadSucceedsWithoutBitmap, "gflLoadBitmapFromHandle.result:success-null")                 \
    X(BitmapWidthNegative, "bitmap.width:negative")                                                   \
    X(BitmapWidthZero, "bitmap.width:zero")                                                           \
    X(BitmapWidthTooLarge, "bitmap.width:too-large")                                                  \
    X(BitmapWidthResized, "bitmap.width:resized")                                                     \
    X(BitmapHeightNegative, "bitmap.height:negative")                                                 \
    X(BitmapHeightZero, "bitmap.height:zero")                                                         \
    X(BitmapHeightTooLarge, "bitmap.height:too-large")                                                \
    X(BitmapHeightResized, "bitmap.height:resized")                                                   \
    X(TransparentBeyondMap, "bitmap.transparentIndex:beyond-map")                                     \
    X(TransparentNegative, "bitmap.transparentIndex:negative")                                        \
    X(TransparentInRange, "bitmap.transparentIndex:in-range")                                         \
    X(LayoutAlphaBits, "bitmap.layout:alpha-bits")                                                    \
    X(LayoutExtreme, "bitmap.layout:extreme")                                                         \
    X(ColorMapDropped, "bitmap.colorMap:null")                                                        \
    X(ColorMapUnasked, "bitmap.colorMap:unasked")                                                     \
    X(PixelsNullAfterConversion, "bitmap.data:null-after-conversion")                                 \
    X(ConversionFails, "gflChangeColorDepth.result:fail")

enum class LibraryDeviation : size_t {
#define LIBRARY_DEVIATION_ENUM(id, name) id,
    LIBRARY_DEVIATION_KINDS(LIBRARY_DEVIATION_ENUM)
#undef LIBRARY_DEVIATION_ENUM
        Count
};

inline constexpr size_t kLibraryDeviationCount = static_cast<size_t>(LibraryDeviation::Count);

// Considers one answer of this kind under the current scenario.
Drawn Deviate(LibraryDeviation kind) noexcept;
// True while a scenario with a non-zero rate runs.
bool DeviationActive() noexcept;

// The control functions' work.
void SetDeviation(uint64_t seed, uint32_t ratePerMille) noexcept;
int32_t GetDeviationCounts(TestbedDeviationCount* rows, int32_t capacity) noexcept;
int32_t TakeThreadDrawn(int32_t* kinds, int32_t capacity) noexcept;
// Stops the scenario and zeroes the counts (testbedReset).
void ResetDeviation() noexcept;

}  // namespace testbed
