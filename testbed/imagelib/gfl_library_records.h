// The stand-in image library's records, result codes and layout bits: the
// library side of the binary contract. These are the library's full layouts;
// callers that only know some fields see the same bytes at the same offsets.
// Declared from the library's documented layouts, apart from the plug-in's
// own records: an offset or width the plug-in reads wrongly is then a
// disagreement its tests see, not a mistake both sides share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/imagelib/gfl_testbed_control.h"

#define GFL_STANDIN_API __declspec(dllexport)

namespace gfl {

using Error = int16_t;   // results are 16 bits wide: 0 is success
using Bool = uint8_t;    // truth values are 8 bits wide: exactly 1 is true

inline constexpr Error kNoError = 0;
inline constexpr Error kErrorNoMemory = 1;
inline constexpr Error kErrorFileOpen = 2;
inline constexpr Error kErrorFileRead = 3;
inline constexpr Error kErrorFileCorrupted = 4;
inline constexpr Error kErrorUnknownFormat = 5;
inline constexpr Error kErrorBadFormatIndex = 6;
inline constexpr Error kErrorBadParameters = 7;
inline constexpr Error kErrorBadBitmap = 8;
inline constexpr Error kErrorUnsupportedConversion = 9;
inline constexpr Error kErrorCancelled = 10;
inline constexpr Error kErrorInjected = 11;   // a test asked for this failure

inline constexpr int kExtensionSlots = 16;

inline constexpr uint32_t kFormatStatusReadable = 0x1;

struct FormatInformation {
    int32_t index;
    char name[32];
    char description[44];
    int32_t extensionCount;                  // may exceed the slots held
    char extensions[kExtensionSlots][8];     // NUL-terminated, no dot
    uint32_t status;                         // kFormatStatus* bits
    char fourCharacterCode[4];
    uint8_t reserved220[8];
};
static_assert(offsetof(FormatInformation, index) == 0);
static_assert(offsetof(FormatInformation, name) == 4);
static_assert(offsetof(FormatInformation, description) == 36);
static_assert(offsetof(FormatInformation, extensionCount) == 80);
static_assert(offsetof(FormatInformation, extensions) == 84);
static_assert(offsetof(FormatInformation, status) == 212);
static_assert(sizeof(FormatInformation) == 228);

inline constexpr uint32_t kInformationTypeRaster = 1;

struct FileInformation {
    uint32_t type;
    int32_t width;
    int32_t height;
    int32_t formatIndex;
    char formatName[8];
    char description[64];                    // NUL-padded; a test may fill all 64
    uint16_t xResolution;
    uint16_t yResolution;
    uint16_t bitsPerComponent;
    uint16_t componentsPerPixel;
    int32_t numberOfImages;
    uint32_t fileSize;
    uint16_t origin;
    uint16_t compression;
    char compressionDescription[52];
    void* libraryData;                       // released by gflFreeFileInformation
    int32_t colorUsed;
    uint8_t reserved172[84];
};
static_assert(offsetof(FileInformation, width) == 4);
static_assert(offsetof(FileInformation, height) == 8);
static_assert(offsetof(FileInformation, formatName) == 16);
static_assert(offsetof(FileInformation, description) == 24);
static_assert(offsetof(FileInformation, xResolution) == 88);
static_assert(offsetof(FileInformation, yResolution) == 90);
static_assert(offsetof(FileInformation, bitsPerComponent) == 92);
static_assert(offsetof(FileInformation, componentsPerPixel) == 94);
static_assert(offsetof(FileInformation, numberOfImages) == 96);
static_assert(offsetof(FileInformation, libraryData) == 160);
static_assert(sizeof(FileInformation) == 256);

// Sources the library cannot open itself are read through these. Each
// returns 0xFFFFFFFF on failure; read succeeds only with the full count.
using ReadCallback = uint32_t (*)(void* handle, void* buffer, uint32_t size);
using TellCallback = uint32_t (*)(void* handle);
using SeekCallback = uint32_t (*)(void* handle, int32_t offset, int32_t origin);
// The source buffer of a callback read comes from these two, which
// gflGetDefaultLoadParams installs; a block without them is refused.
using AllocateCallback = void* (*)(size_t size);
using ReleaseCallback = void (*)(void* block);
using ProgressCallback = void (*)(int32_t percent, void* userValue);
using CancelCallback = Bool (*)(void* userValue);

inline constexpr uint32_t kCallbackFailure = 0xFFFFFFFFu;

struct StreamCallbacks {
    ReadCallback read;
    TellCallback tell;
    SeekCallback seek;
    AllocateCallback allocate;
    ReleaseCallback release;
    void* reserved;
};
static_assert(offsetof(StreamCallbacks, allocate) == 24);
static_assert(sizeof(StreamCallbacks) == 48);

inline constexpr uint32_t kLoadDefaultFlags = kTestbedDefaultLoadFlags;

struct LoadParams {
    uint32_t flags;
    int32_t formatIndex;                     // -1: detect the format
    int32_t imageWanted;
    uint16_t origin;
    uint16_t colorModel;
    uint32_t lineAlignment;                  // 0: rows packed
    int16_t defaultAlpha;
    uint16_t reserved22;
    int32_t width;                           // 0: the image's own size
    int32_t height;
    uint32_t offset;
    uint8_t reserved36[60];
    StreamCallbacks callbacks;
    ProgressCallback progressCallback;
    CancelCallback cancelCallback;
    void* callbackUserValue;                 // handed to progress and cancel
    uint8_t reserved168[8];
};
static_assert(offsetof(LoadParams, flags) == 0);
static_assert(offsetof(LoadParams, formatIndex) == 4);
static_assert(offsetof(LoadParams, callbacks) == 96);
static_assert(offsetof(LoadParams, callbacks.read) == 96);
static_assert(offsetof(LoadParams, callbacks.tell) == 104);
static_assert(offsetof(LoadParams, callbacks.seek) == 112);
static_assert(offsetof(LoadParams, progressCallback) == 144);
static_assert(offsetof(LoadParams, cancelCallback) == 152);
static_assert(offsetof(LoadParams, callbackUserValue) == 160);
static_assert(sizeof(LoadParams) == 176);

// Pixel layout bits of a bitmap.
inline constexpr uint16_t kLayoutBinary = 0x0001;
inline constexpr uint16_t kLayoutGrey = kTestbedLayoutGrey;
inline constexpr uint16_t kLayoutColors = 0x0004;
inline constexpr uint16_t kLayoutRgb = kTestbedLayoutRgb;
inline constexpr uint16_t kLayoutRgba = kTestbedLayoutRgba;
inline constexpr uint16_t kLayoutBgr = 0x0040;
inline constexpr uint16_t kLayoutAbgr = 0x0080;
inline constexpr uint16_t kLayoutBgra = kTestbedLayoutBgra;
inline constexpr uint16_t kLayoutArgb = 0x0200;
inline constexpr uint16_t kLayoutsWithAlpha = kLayoutRgba | kLayoutAbgr | kLayoutBgra | kLayoutArgb;
static_assert(kLayoutsWithAlpha == 0x3A0);

inline constexpr uint32_t kModeToBgra = 23;

struct ColorMap {
    uint8_t red[256];
    uint8_t green[256];
    uint8_t blue[256];
};
static_assert(sizeof(ColorMap) == 768);

struct Bitmap {
    uint16_t layout;
    uint16_t origin;                         // 0: top row first
    int32_t width;
    int32_t height;
    uint32_t bytesPerLine;
    int16_t linePadding;                     // 1: rows packed
    uint16_t bitsPerComponent;
    uint16_t componentsPerPixel;
    uint16_t bytesPerPixel;
    uint16_t xResolution;
    uint16_t yResolution;
    int16_t transparentIndex;                // -1: none
    int16_t reserved30;
    int32_t colorUsed;
    uint8_t reserved36[4];
    ColorMap* colorMap;                      // null unless the image is indexed with a map
    uint8_t* data;
    char* comment;
    void* metadata;
};
static_assert(offsetof(Bitmap, layout) == 0);
static_assert(offsetof(Bitmap, width) == 4);
static_assert(offsetof(Bitmap, height) == 8);
static_assert(offsetof(Bitmap, bytesPerLine) == 12);
static_assert(offsetof(Bitmap, transparentIndex) == 28);
static_assert(offsetof(Bitmap, colorUsed) == 32);
static_assert(offsetof(Bitmap, colorMap) == 40);
static_assert(offsetof(Bitmap, data) == 48);
static_assert(offsetof(Bitmap, comment) == 56);
static_assert(offsetof(Bitmap, metadata) == 64);
static_assert(sizeof(Bitmap) == 72);

}  // namespace gfl
