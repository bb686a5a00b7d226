// The host's per-file record, as identification fills it and loading updates
// it. Declared once at its documented byte offsets; the static_asserts pin
// every field the plug-in touches. Fields it leaves alone are reserved bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// The per-file record that identification fills and loading updates. The
// host's record is at least 76 bytes; the plug-in consults no size field.
#pragma pack(push, 4)
struct FileInfoRecord {
    uint32_t size;
    uint32_t flags;        // identification stores 0x15; loading may OR in 0x100
    uint16_t cleared8;     // cleared together with flags by one 64-bit store
    uint16_t cleared10;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    wchar_t* description;  // host buffer, may be null
    uint32_t descriptionCapacity;  // characters, terminator included
    uint8_t reserved36[32];
    uint32_t xResolution;  // dots per inch
    uint32_t yResolution;
};
#pragma pack(pop)
static_assert(offsetof(FileInfoRecord, flags) == 4);
static_assert(offsetof(FileInfoRecord, cleared8) == 8);
static_assert(offsetof(FileInfoRecord, cleared10) == 10);
static_assert(offsetof(FileInfoRecord, width) == 12);
static_assert(offsetof(FileInfoRecord, height) == 16);
static_assert(offsetof(FileInfoRecord, bitsPerPixel) == 20);
static_assert(offsetof(FileInfoRecord, description) == 24);
static_assert(offsetof(FileInfoRecord, descriptionCapacity) == 32);
static_assert(offsetof(FileInfoRecord, xResolution) == 68);
static_assert(offsetof(FileInfoRecord, yResolution) == 72);
static_assert(sizeof(FileInfoRecord) == 76);

// Flags of FileInfoRecord.
inline constexpr uint64_t kFileInfoIdentifiedFlags = 0x15;  // stored as 64 bits at offset 4
inline constexpr uint32_t kFileInfoHasTransparency = 0x100;
