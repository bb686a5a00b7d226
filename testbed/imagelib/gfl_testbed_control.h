// Steering the stand-in image library from tests. These functions are
// exported by the stand-in libgfl64U.dll (C linkage) next to the sixteen
// library entry points; a test binds them with GetProcAddress on the module
// the plug-in mapped. They exist only in the stand-in.
//
// Besides the real formats it decodes, the stand-in reads "TBIM" files, a
// tiny synthetic format that lets a test build exact bitmaps (little-endian):
//   0   char    magic[4] = "TBIM"
//   4   int32   width             (any value, zero and negative included)
//   8   int32   height
//   12  uint16  layout            bitmap layout bits reported as decoded
//   14  int16   transparentIndex  -1: none
//   16  uint8   pixelKind         0: one palette index per pixel, 1: BGRA
//   17  uint8   hasColorMap       1: red[256], green[256], blue[256] follow
//   18  uint16  reserved
//   20  [uint8 colorMap[768]]     only when hasColorMap
//   ..  pixels                    width*height*(1 or 4) bytes, top row first
// Indexed pixels convert through the colour map to (b, g, r, 255); without a
// colour map index 0 is black, index 1 white and any other index v the grey
// (v, v, v). BGRA pixels convert unchanged. When width or height is not
// positive, or the converted BGRA pixels would exceed INT32_MAX bytes, the
// file carries no pixels and the decoded bitmap reports the dimensions over a
// 16-byte buffer; pixels above 128 MiB but below that fail as out of memory.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef TESTBED_IMAGELIB_BUILD
#define TESTBED_IMAGELIB_API __declspec(dllexport)
#else
#define TESTBED_IMAGELIB_API
#endif

inline constexpr char kTestbedMagic[4] = {'T', 'B', 'I', 'M'};

#pragma pack(push, 1)
struct TestbedImageHeader {
    char magic[4];
    int32_t width;
    int32_t height;
    uint16_t layout;
    int16_t transparentIndex;
    uint8_t pixelKind;
    uint8_t hasColorMap;
    uint16_t reserved;
};
#pragma pack(pop)
static_assert(sizeof(TestbedImageHeader) == 20);

// Layout bits the stand-in reports for the real files it decodes: grey
// images, colour images without alpha (GIFs without a transparent colour
// included), and colour images with alpha (a GIF's transparent colour
// arrives as alpha 0, never as a transparent index). gflChangeColorDepth
// mode 23 leaves every bitmap at kTestbedLayoutBgra.
inline constexpr uint16_t kTestbedLayoutGrey = 0x0002;
inline constexpr uint16_t kTestbedLayoutRgb = 0x0010;
inline constexpr uint16_t kTestbedLayoutRgba = 0x0020;
inline constexpr uint16_t kTestbedLayoutBgra = 0x0100;

// The flags word gflGetDefaultLoadParams writes; a load that ORs in an
// option keeps these bits.
inline constexpr uint32_t kTestbedDefaultLoadFlags = 0x0040;

// One row of the format table the stand-in reports.
struct TestbedFormat {
    char name[32];
    int32_t extensionCount;        // reported as is; the record holds 16 slots
    char extensions[16][8];        // copied into the record's slots verbatim
    int16_t informationResult;     // what gflGetFormatInformationByIndex returns
    uint8_t readable;              // what gflFormatIsReadableByIndex returns
};

// Faults to inject, as a mask; they stay until changed or reset.
enum TestbedFault : uint32_t {
    kTestbedFailDecode = 1u << 0,        // gflLoadBitmapW / FromHandle return an error
    kTestbedFailConversion = 1u << 1,    // gflChangeColorDepth returns an error
    kTestbedFailInformation = 1u << 2,   // gflGetFileInformation* return an error
    // gflLoadBitmapW / FromHandle store a bitmap pointer through their
    // out-argument and then return an error: a bitmap they decoded and
    // released again, or a poisoned block that never was a bitmap. The
    // caller owns neither; a free of either counts as a foreign free.
    kTestbedStoreFreedBitmapThenFail = 1u << 3,
    kTestbedStorePoisonThenFail = 1u << 4,
    // Every record the library fills (default load parameters, file and
    // format information) is written for kTestbedWholeRecordBytes: the real
    // fields, then kTestbedRecordPattern up to the end.
    kTestbedFillWholeRecords = 1u << 5,
};

inline constexpr size_t kTestbedWholeRecordBytes = 1024;
inline constexpr uint8_t kTestbedRecordPattern = 0xA5;

// The exit code with which the stand-in ends the process when one of its
// entry points is called after the loader detached it (once a test armed the
// check with testbedTrapCallsAfterDetach).
inline constexpr uint32_t kTestbedCalledAfterDetachExitCode = 0x7E57DE7Au;

// Entry points in the order the plug-in binds them; indices into calls[].
enum TestbedEntry : int {
    kTbLibraryInit, kTbGetVersion, kTbLibraryExit, kTbSetPluginsPathnameW, kTbEnableLZW,
    kTbGetNumberOfFormat, kTbGetFormatInformationByIndex, kTbFormatIsReadableByIndex,
    kTbGetFileInformationW, kTbGetFileInformationFromHandle, kTbLoadBitmapW,
    kTbLoadBitmapFromHandle, kTbGetDefaultLoadParams, kTbFreeBitmap, kTbFreeFileInformation,
    kTbChangeColorDepth, kTbEntryCount
};

inline constexpr int kTestbedOrderCapacity = 64;

struct TestbedCounters {
    int32_t calls[kTbEntryCount];      // calls per entry point since the last reset
    int32_t orderLength;               // entry-point calls since the last reset
    uint8_t order[kTestbedOrderCapacity];  // the first of them, as TestbedEntry values
    int32_t foreignFrees;              // gflFreeBitmap of a non-null pointer that is no outstanding bitmap,
                                       // gflFreeFileInformation of a record a failed call filled
    int32_t outstandingBitmaps;        // returned by a load, not yet freed
    int32_t outstandingFileInfos;      // filled by an information call, not yet freed
    int32_t cancelPolls;               // cancel-query callback invocations
    uint32_t lastLoadFlags;            // flags word of the last load's parameters
    uint8_t lastLoadHadCancel;         // the last load carried a cancel callback
    uint8_t lastLoadUsedCallbacks;     // the last load or information call read through callbacks
    uint8_t reserved[2];
    wchar_t pluginsPath[260];          // last folder given to gflSetPluginsPathnameW
};

struct TestbedDeviationCount {
    char kind[48];     // NUL-terminated
    int64_t calls;     // considered
    int64_t drawn;     // deviated
};

struct TestbedDescribedImage {
    int32_t valid;             // 1 when the last load on this thread returned a bitmap and
                               // gflChangeColorDepth then succeeded on it
    int32_t width, height;     // the record's width and height after that conversion
    int16_t transparentIndex;  // the record's values as the load handed them out (before conversion)
    uint16_t layout;
    uint8_t hasColorMap;       // the record carried a colour map pointer
    uint8_t colorMap[768];     // its bytes (red[256], green[256], blue[256]) when it did
    uint64_t pixelBytes;       // bytes of converted pixels copied below (width*height*4); 0 when the
                               // converted record carries no pixels (a null pointer, or dimensions
                               // that are not positive or too large for them)
    const uint8_t* pixels;     // a copy of the converted pixels, owned by the stand-in,
                               // valid until the next load on this thread; null when pixelBytes is 0    // The last file information call on this thread (a load does not change these):
    int32_t informationValid;  // 1 when it answered success, with the record as handed out below
    int32_t informationWidth, informationHeight;
    uint16_t xResolution, yResolution, bitsPerComponent, componentsPerPixel;
    char description[64];      // as handed out, not necessarily terminated
};

extern "C" {
// Back to the defaults: version "2.21", the real format table, no faults,
// no description override, no misbehaviour mode, all counters zero.
TESTBED_IMAGELIB_API void testbedReset();
TESTBED_IMAGELIB_API void testbedSetVersion(const char* text);
// Replaces the format table; count is what gflGetNumberOfFormat reports
// (negative allowed; rows are read only for 0 <= index < count).
TESTBED_IMAGELIB_API void testbedSetFormats(const TestbedFormat* formats, int32_t count);
TESTBED_IMAGELIB_API void testbedSetFaults(uint32_t faultMask);
// Replaces the 64-byte description of every file information with these
// bytes (copied verbatim, no terminator added); null restores the real one.
TESTBED_IMAGELIB_API void testbedSetDescription(const char* bytes64);
// Makes the next decodes poll the cancel callback this many times per image
// (at least once, the default); lets a test signal the abort event mid-way.
TESTBED_IMAGELIB_API void testbedSetCancelPolls(int32_t pollsPerImage);
TESTBED_IMAGELIB_API void testbedGetCounters(TestbedCounters* counters);
// Reports these bits per component and components per pixel in every file
// information instead of the image's own; a negative value restores them.
TESTBED_IMAGELIB_API void testbedSetBitDepth(int32_t bitsPerComponent, int32_t componentsPerPixel);
// Runs hook(context) once, at the start of the next call of the entry point,
// on the calling thread and outside every lock of the stand-in (a test
// stalls a call there). A null hook disarms.
typedef void (*TestbedHook)(void* context);
TESTBED_IMAGELIB_API void testbedSetEntryHook(int32_t entry, TestbedHook hook, void* context);
// From now on, a call of any entry point after the loader detached the
// library ends the process with kTestbedCalledAfterDetachExitCode.
TESTBED_IMAGELIB_API void testbedTrapCallsAfterDetach();

// Seeded misbehaviour: from now on every answer on the library's surface may
// deviate. Each draw deviates with probability ratePerMille/1000, decided by
// a hash of (seed, kind, that kind's call number), so one seed replays the
// same scenario for the same sequence of calls. Setting a scenario starts
// every kind's call number at 0; 0 turns the mode off. testbedReset turns it
// off and zeroes the counts.
TESTBED_IMAGELIB_API void testbedSetDeviation(uint64_t seed, uint32_t ratePerMille);
// One row per named deviation kind, "<what>.<field>:<how>" (each <what>.<field>
// is one row of the surface table): how often it was considered and how often
// it deviated since the last reset. Fills up to capacity rows, returns the
// number of kinds.
TESTBED_IMAGELIB_API int32_t testbedGetDeviationCounts(TestbedDeviationCount* rows, int32_t capacity);
// The kinds drawn on the calling thread since its last take, as indices
// into the rows of testbedGetDeviationCounts (up to capacity of them); the
// take starts the thread's next record. Returns the number filled.
TESTBED_IMAGELIB_API int32_t testbedTakeThreadDrawn(int32_t* kinds, int32_t capacity);
// What the library last handed the calling thread, so a harness can check a
// returned DIB. Recorded from the first testbedSetDeviation (any rate) until
// testbedReset. Returns image->valid.
TESTBED_IMAGELIB_API int32_t testbedGetLastDescribed(TestbedDescribedImage* image);
}
