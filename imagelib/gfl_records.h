// The image library's records and entry-point types, as far as the plug-in
// touches them. Every field used is pinned to its byte offset; the rest of
// each record is the library's, kept as reserved bytes of the record's size.
// Library results are 16-bit codes (0 = success) and 8-bit truth values
// (exactly 1 = true).
#pragma once

#include <cstddef>
#include <cstdint>

using GflError = int16_t;
using GflBool = uint8_t;

inline constexpr GflError kGflNoError = 0;
inline constexpr int kGflExtensionSlots = 16;

// The declarations below name only the fields the plug-in reads or writes,
// at the offsets it relies on; every other byte is reserved: the records'
// full layouts are the library's own, nothing here depends on them, and a
// later library may fill more than they declare. Every record handed to the
// library to fill lives in this much zeroed room, its declared fields at
// their offsets at the start.
inline constexpr size_t kGflRecordRoom = 1024;

template <typename Record>
struct GflRecordRoom {
    static_assert(sizeof(Record) <= kGflRecordRoom);
    Record record{};
    uint8_t spare[kGflRecordRoom - sizeof(Record)]{};
};

struct GflFormatInformation {
    uint8_t reserved0[80];
    int32_t extensionCount;                        // may exceed the slots held
    char extensions[kGflExtensionSlots][8];        // NUL-terminated, no dot
    uint8_t reserved212[16];
};
static_assert(offsetof(GflFormatInformation, extensionCount) == 80);
static_assert(offsetof(GflFormatInformation, extensions) == 84);
static_assert(sizeof(GflFormatInformation) == 228);

// 8-byte aligned, as the library's own record is: what the library attaches
// to it (and gflFreeFileInformation releases) sits among the reserved bytes.
struct alignas(8) GflFileInformation {
    uint8_t reserved0[4];
    int32_t width;
    int32_t height;
    uint8_t reserved12[12];
    char description[64];                          // may lack a NUL
    uint16_t xResolution;
    uint16_t yResolution;
    uint16_t bitsPerComponent;
    uint16_t componentsPerPixel;
    uint8_t reserved96[160];
};
static_assert(offsetof(GflFileInformation, width) == 4);
static_assert(offsetof(GflFileInformation, height) == 8);
static_assert(offsetof(GflFileInformation, description) == 24);
static_assert(offsetof(GflFileInformation, xResolution) == 88);
static_assert(offsetof(GflFileInformation, yResolution) == 90);
static_assert(offsetof(GflFileInformation, bitsPerComponent) == 92);
static_assert(offsetof(GflFileInformation, componentsPerPixel) == 94);
static_assert(sizeof(GflFileInformation) == 256);
static_assert(alignof(GflFileInformation) == 8);

// The library reads sources it cannot open itself through these, given an
// opaque handle. Each returns 0xFFFFFFFF on failure.
using GflReadCallback = uint32_t (*)(void* handle, void* buffer, uint32_t size);
using GflTellCallback = uint32_t (*)(void* handle);
using GflSeekCallback = uint32_t (*)(void* handle, int32_t offset, int32_t origin);
// Polled while decoding; a true answer makes the library give up.
using GflCancelCallback = GflBool (*)(void* userValue);

struct GflStreamCallbacks {
    GflReadCallback read;
    GflTellCallback tell;
    GflSeekCallback seek;
    uint8_t reserved24[24];                        // the library's defaults
};
static_assert(sizeof(GflStreamCallbacks) == 48);

inline constexpr uint32_t kGflLoadOption = 0x100;

struct GflLoadParams {
    uint32_t flags;
    uint8_t reserved4[92];
    GflStreamCallbacks callbacks;
    uint8_t reserved144[8];
    GflCancelCallback cancelCallback;
    void* cancelUserValue;
    uint8_t reserved168[8];
};
static_assert(offsetof(GflLoadParams, flags) == 0);
static_assert(offsetof(GflLoadParams, callbacks) == 96);
static_assert(offsetof(GflLoadParams, callbacks.read) == 96);
static_assert(offsetof(GflLoadParams, callbacks.tell) == 104);
static_assert(offsetof(GflLoadParams, callbacks.seek) == 112);
static_assert(offsetof(GflLoadParams, cancelCallback) == 152);
static_assert(offsetof(GflLoadParams, cancelUserValue) == 160);
static_assert(sizeof(GflLoadParams) == 176);

// Pixel layouts that carry an alpha channel.
inline constexpr uint16_t kGflAlphaLayouts = 0x3A0;
// gflChangeColorDepth mode: 4 bytes per pixel, blue, green, red, alpha.
inline constexpr uint32_t kGflModeToBgra = 23;

struct GflBitmap {
    uint16_t layout;
    uint8_t reserved2[2];
    int32_t width;
    int32_t height;
    uint8_t reserved12[16];
    int16_t transparentIndex;                      // -1: none
    uint8_t reserved30[10];
    const uint8_t* colorMap;                       // red[256], green[256], blue[256], or null
    uint8_t* data;
    uint8_t reserved56[16];
};
static_assert(offsetof(GflBitmap, layout) == 0);
static_assert(offsetof(GflBitmap, width) == 4);
static_assert(offsetof(GflBitmap, height) == 8);
static_assert(offsetof(GflBitmap, transparentIndex) == 28);
static_assert(offsetof(GflBitmap, colorMap) == 40);
static_assert(offsetof(GflBitmap, data) == 48);
static_assert(sizeof(GflBitmap) == 72);

// Entry points.
using GflLibraryInitFn = GflError (*)();
using GflGetVersionFn = const char* (*)();
using GflLibraryExitFn = void (*)();
using GflSetPluginsPathnameWFn = void (*)(const wchar_t* folder);
using GflEnableLzwFn = void (*)(GflBool enable);
using GflGetNumberOfFormatFn = int32_t (*)();
using GflGetFormatInformationByIndexFn = GflError (*)(int32_t index, GflFormatInformation* info);
using GflFormatIsReadableByIndexFn = GflBool (*)(int32_t index);
using GflGetFileInformationWFn = GflError (*)(const wchar_t* path, int32_t formatIndex, GflFileInformation* info);
using GflGetFileInformationFromHandleFn = GflError (*)(void* handle, int32_t formatIndex,
                                                       const GflStreamCallbacks* callbacks,
                                                       GflFileInformation* info);
using GflLoadBitmapWFn = GflError (*)(const wchar_t* path, GflBitmap** bitmap, const GflLoadParams* params,
                                      GflFileInformation* info);
using GflLoadBitmapFromHandleFn = GflError (*)(void* handle, GflBitmap** bitmap, const GflLoadParams* params,
                                               GflFileInformation* info);
using GflGetDefaultLoadParamsFn = void (*)(GflLoadParams* params);
using GflFreeBitmapFn = void (*)(GflBitmap* bitmap);
using GflFreeFileInformationFn = void (*)(GflFileInformation* info);
using GflChangeColorDepthFn = GflError (*)(GflBitmap* source, GflBitmap** destination, uint32_t mode,
                                           uint16_t parameters);
