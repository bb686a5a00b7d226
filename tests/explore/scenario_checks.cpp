#include "tests/explore/scenario_checks.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

#include "testbed/host/host_testbed_control.h"
#include "tests/explore/plugin_gdi_tally.h"
#include "win32/unique_handle.h"

namespace {

constexpr uint32_t kAlphaLayouts = 0x3A0;

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

bool SameBytes(const dvp::FileInfoRecord& a, const dvp::FileInfoRecord& b)
{
    return memcmp(&a, &b, sizeof(a)) == 0;
}

// The record as it was, except that flags may have gained these bits.
bool SameExceptFlags(const dvp::FileInfoRecord& before, const dvp::FileInfoRecord& after, uint32_t allowed)
{
    dvp::FileInfoRecord expected = before;
    expected.flags = after.flags;
    return SameBytes(expected, after) && (after.flags & ~allowed) == (before.flags & ~allowed) &&
           (after.flags & before.flags) == before.flags;
}

// The transparent colour the described image names, as the plug-in's alpha
// rule reads it: a colour map entry for an index inside the 256-entry map,
// black or white for index 0 or another index without a map, none for -1
// or an index the map cannot hold.
bool TransparentColour(const TestbedDescribedImage& image, uint32_t& bgr)
{
    const int index = image.transparentIndex;
    if (index == -1)
        return false;
    if (!image.hasColorMap) {
        bgr = index == 0 ? 0x000000u : 0xFFFFFFu;
        return true;
    }
    if (index < 0 || index >= 256)
        return false;
    const uint32_t red = image.colorMap[index], green = image.colorMap[256 + index],
                   blue = image.colorMap[512 + index];
    bgr = blue | green << 8 | red << 16;
    return true;
}

bool StartsWithAny(const std::vector<std::string>& kinds, std::initializer_list<const char*> prefixes)
{
    for (const std::string& kind : kinds)
        for (const char* prefix : prefixes)
            if (kind.rfind(prefix, 0) == 0)
                return true;
    return false;
}

const char* Named(Expect expect) { return expect == Expect::Answer ? "the full answer" : "a refusal"; }

// The pixels as the host sees them: read back through GDI into a top-down
// 32-bit buffer, whatever orientation the section was made with (GetObject
// reports a positive height either way).
bool ReadTopDown(HBITMAP bitmap, int32_t width, int32_t height, std::vector<uint8_t>& pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    // A DC of this call's own: the screen's DC is one cached DC that the
    // extra threads would share.
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    return dc && GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) ==
                     height;
}

}  // namespace

std::vector<std::string> TakeDrawnOnThisThread(const LibraryControl& library)
{
    static const std::vector<std::string> libraryNames = [&] {
        std::vector<std::string> names;
        TestbedDeviationCount rows[256];
        const int32_t count = library.GetDeviationCounts(rows, 256);
        for (int32_t i = 0; i < count && i < 256; ++i)
            names.emplace_back(rows[i].kind, strnlen(rows[i].kind, sizeof(rows[i].kind)));
        return names;
    }();
    std::vector<std::string> kinds = HostTestbedTakeThreadDrawn();
    int32_t indices[128];
    const int32_t taken = library.TakeThreadDrawn(indices, 128);
    for (int32_t i = 0; i < taken && i < 128; ++i)
        if (indices[i] >= 0 && static_cast<size_t>(indices[i]) < libraryNames.size())
            kinds.push_back(libraryNames[static_cast<size_t>(indices[i])]);
    return kinds;
}

bool MayRefuseIdentification(const std::vector<std::string>& kinds)
{
    return StartsWithAny(kinds, {"gflGetFileInformationW.result", "gflGetFileInformationFromHandle.result",
                                 "IStream.", "defaultLoadParams."});
}

bool MayRefuseLoad(const std::vector<std::string>& kinds)
{
    return StartsWithAny(kinds, {"gflLoadBitmapW.result", "gflLoadBitmapFromHandle.result",
                                 "gflChangeColorDepth.result", "bitmap.data", "bitmap.width:negative",
                                 "bitmap.width:zero", "bitmap.width:too-large", "bitmap.height:negative",
                                 "bitmap.height:zero", "bitmap.height:too-large", "fileInfo.width:huge",
                                 "fileInfo.height:huge", "IStream.", "defaultLoadParams."});
}

void FindingLog::Fail(const std::string& property, const std::string& detail)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (verbose_)
        fprintf(stderr, "  FINDING %s: %s\n", property.c_str(), detail.c_str());
    // The first sighting of each property is the finding; later calls of
    // the same scenario only repeat it.
    for (const Finding& seen : result_.findings)
        if (seen.property == property)
            return;
    result_.findings.push_back({property, detail});
}

PatternedRecord::PatternedRecord(uint64_t pattern, uint32_t capacity, bool withBuffer)
{
    auto* bytes = reinterpret_cast<uint8_t*>(&record);
    for (size_t i = 0; i < sizeof(record); ++i)
        bytes[i] = static_cast<uint8_t>(pattern >> ((i % 8) * 8)) ^ static_cast<uint8_t>(i);
    record.size = sizeof(record);
    record.flags &= ~0x100u;
    if (pattern & 1)
        record.flags |= 0x100u;  // a host flag already set stays set
    description.assign(capacity + 8, static_cast<wchar_t>(0x2400 + (pattern & 0xFF)));
    record.description = withBuffer ? description.data() : nullptr;
    record.descriptionCapacity = capacity;
    before = record;
    descriptionBefore = description;
}

bool CheckLoad(FindingLog& log, const LibraryControl& library, HBITMAP bitmap, const PatternedRecord& patterned,
               const char* call, Expect expect)
{
    if ((expect == Expect::Answer && !bitmap) || (expect == Expect::Refusal && bitmap))
        log.Fail(expect == Expect::Answer ? "load-refused" : "load-answered",
                 Format("%s: %s was due, %s came", call, Named(expect), bitmap ? "a DIB" : "null"));
    log.CountCall();
    const dvp::FileInfoRecord& after = patterned.record;
    if (patterned.description != patterned.descriptionBefore)
        log.Fail("record-description", Format("%s wrote into the host's description buffer", call));
    TestbedDescribedImage image{};
    library.GetLastDescribed(&image);
    if (!bitmap) {
        log.CountRefusal();
        if (!SameExceptFlags(patterned.before, after, 0x100))
            log.Fail("record-on-refusal", Format("%s refused but changed the record beyond flag 0x100", call));
        return false;
    }

    NoteSectionHandedOver(bitmap);
    UniqueBitmap owned(bitmap);
    const bool transparentFlag = image.transparentIndex != -1 || (image.layout & kAlphaLayouts) != 0;
    dvp::FileInfoRecord expected = patterned.before;
    if (transparentFlag)
        expected.flags |= 0x100;
    if (!SameBytes(expected, after))
        log.Fail("record-on-success",
                 Format("%s: flags %#x -> %#x (transparent index %d, layout %#x) or other bytes changed", call,
                        patterned.before.flags, after.flags, image.transparentIndex, image.layout));
    if (!image.valid) {
        log.Fail("dib-exact", Format("%s returned a DIB but the library described no converted image", call));
        return true;
    }
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits) {
        log.Fail("dib-exact", Format("%s returned a handle that is no DIB section", call));
        return true;
    }
    const BITMAPINFOHEADER& header = section.dsBmih;
    if (header.biWidth != image.width || (header.biHeight != -image.height && header.biHeight != image.height) ||
        header.biBitCount != 32 ||
        header.biPlanes != 1 || header.biCompression != BI_RGB) {
        log.Fail("dib-exact", Format("%s: DIB %ldx%ld@%d, library described %dx%d", call, header.biWidth,
                                     header.biHeight, header.biBitCount, image.width, image.height));
        return true;
    }
    const uint64_t bytes = static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height) * 4;
    if (image.pixelBytes != bytes || !image.pixels) {
        log.Fail("dib-exact", Format("%s: described %llu pixel bytes for %dx%d", call,
                                     static_cast<unsigned long long>(image.pixelBytes), image.width, image.height));
        return true;
    }
    uint32_t key = 0;
    const bool keyed = TransparentColour(image, key);
    std::vector<uint8_t> seen;
    if (!ReadTopDown(bitmap, image.width, image.height, seen)) {
        log.Fail("dib-exact", Format("%s: the DIB's %d rows could not be read back", call, image.height));
        return true;
    }
    const size_t rowBytes = static_cast<size_t>(image.width) * 4;
    for (int32_t row = 0; row < image.height; ++row) {
        const uint8_t* want = image.pixels + row * rowBytes;
        const uint8_t* have = seen.data() + row * rowBytes;
        for (size_t x = 0; x < rowBytes; x += 4) {
            uint32_t pixel = 0;
            memcpy(&pixel, want + x, 4);
            if (keyed) {
                const uint32_t colour = pixel & 0x00FFFFFFu;
                pixel = colour | (colour == key ? 0u : 0xFF000000u);
            }
            uint32_t actual = 0;
            memcpy(&actual, have + x, 4);
            if (actual != pixel) {
                log.Fail("dib-exact", Format("%s: %dx%d image, row %d pixel %zu seen top-down is %08x, expected %08x",
                                             call, image.width, image.height, row, x / 4, actual, pixel));
                return true;
            }
        }
    }
    log.CountDib();
    return true;
}

void CheckIdentify(FindingLog& log, const LibraryControl& library, BOOL answer, const PatternedRecord& patterned,
                   const char* call, Expect expect)
{
    log.CountCall();
    const dvp::FileInfoRecord& after = patterned.record;
    if ((expect == Expect::Answer && answer != TRUE) || (expect == Expect::Refusal && answer != FALSE))
        log.Fail(expect == Expect::Answer ? "identify-refused" : "identify-answered",
                 Format("%s: %s was due, the answer was %d", call, Named(expect), answer));
    if (answer != TRUE) {
        if (answer != FALSE)
            log.Fail("answer", Format("%s answered %d", call, answer));
        if (!SameBytes(patterned.before, after) || patterned.description != patterned.descriptionBefore)
            log.Fail("record-on-refusal", Format("%s refused but changed the record", call));
        return;
    }
    // The answer is the file information the library handed this thread,
    // copied as it was: sizes, bits per pixel as the 32-bit product of two
    // 16-bit values, resolutions widened, and the text.
    TestbedDescribedImage described{};
    library.GetLastDescribed(&described);
    if (!described.informationValid) {
        log.Fail("identify-oracle", Format("%s answered 1 but the library described nothing", call));
        return;
    }
    dvp::FileInfoRecord expected = patterned.before;
    expected.flags = 0x15;
    expected.cleared8 = 0;
    expected.cleared10 = 0;
    expected.width = described.informationWidth;
    expected.height = described.informationHeight;
    expected.bitsPerPixel =
        static_cast<int32_t>(uint32_t{described.bitsPerComponent} * uint32_t{described.componentsPerPixel});
    expected.xResolution = described.xResolution;
    expected.yResolution = described.yResolution;
    if (!SameBytes(expected, after))
        log.Fail("identify-oracle",
                 Format("%s: record %#x %dx%dx%d at %u,%u dpi; the library described %dx%d, %u x %u bits, %u,%u dpi",
                        call, after.flags, after.width, after.height, after.bitsPerPixel, after.xResolution,
                        after.yResolution, described.informationWidth, described.informationHeight,
                        described.bitsPerComponent, described.componentsPerPixel, described.xResolution,
                        described.yResolution));
    if (!patterned.record.description)
        return;
    const uint32_t capacity = patterned.record.descriptionCapacity;
    const wchar_t* text = patterned.description.data();
    size_t length = 0;
    while (length < capacity && text[length])
        ++length;
    if (capacity > 0 && length == capacity) {
        log.Fail("record-description", Format("%s: description not terminated within %u", call, capacity));
        return;
    }
    for (size_t i = capacity == 0 ? 0 : length + 1; i < patterned.description.size(); ++i)
        if (patterned.description[i] != patterned.descriptionBefore[i]) {
            log.Fail("record-description", Format("%s wrote past the description's terminator", call));
            return;
        }
    if (capacity == 0)
        return;
    // "W x H x BPP " and the library's text of at most 64 bytes (ASCII: the
    // stand-in's texts are), cut to the host's capacity.
    wchar_t full[128];
    swprintf(full, 128, L"%ld x %ld x %ld ", static_cast<long>(expected.width), static_cast<long>(expected.height),
             static_cast<long>(expected.bitsPerPixel));
    std::wstring wanted = full;
    bool ascii = true;
    for (size_t i = 0; i < sizeof(described.description) && described.description[i]; ++i) {
        ascii = ascii && static_cast<uint8_t>(described.description[i]) < 0x80;
        wanted += static_cast<wchar_t>(static_cast<uint8_t>(described.description[i]));
    }
    if (wanted.size() > capacity - 1)
        wanted.resize(capacity - 1);
    if (ascii ? std::wstring(text, length) != wanted : std::wstring(text, length).rfind(full, 0) != 0)
        log.Fail("identify-oracle", Format("%s: description \"%ls\", the library's makes \"%ls\"", call,
                                           std::wstring(text, length).c_str(), wanted.c_str()));
}

void CheckHandledExtensions(FindingLog& log, const wchar_t* text)
{
    log.CountCall();
    if (!text)
        return;
    std::wstring previous;
    bool previousAscii = false;
    size_t start = 0;
    const size_t length = wcsnlen(text, 1 << 20);
    if (length == (1u << 20)) {
        log.Fail("handled-extensions", "no terminator within a million characters");
        return;
    }
    if (length == 0)
        return;
    while (start <= length) {
        size_t end = start;
        while (end < length && text[end] != L';')
            ++end;
        const std::wstring entry(text + start, end - start);
        bool ascii = true;
        for (wchar_t c : entry)
            ascii = ascii && c < 0x80;
        if (entry.empty() || entry[0] != L'.') {  // a lone dot stands for an empty slot text
            log.Fail("handled-extensions", "an entry without a dot and a name: '" +
                                               std::string(entry.begin(), entry.end()) + "'");
            return;
        }
        for (wchar_t c : entry)
            if (c >= L'A' && c <= L'Z') {
                log.Fail("handled-extensions", "an entry in upper case");
                return;
            }
        if (ascii && previousAscii && !(previous < entry)) {
            log.Fail("handled-extensions", "entries not ascending or not unique");
            return;
        }
        previous = entry;
        previousAscii = ascii;
        start = end + 1;
    }
}

void CheckQuiescent(FindingLog& log, const LibraryControl& library, const char* after)
{
    const TestbedCounters counters = library.Counters();
    if (counters.outstandingBitmaps != 0 || counters.outstandingFileInfos != 0)
        log.Fail("library-leak", Format("after %s: %d bitmaps, %d file informations not freed", after,
                                        counters.outstandingBitmaps, counters.outstandingFileInfos));
    if (counters.foreignFrees != 0)
        log.Fail("library-foreign-free", Format("after %s: %d frees of bitmaps never handed out", after,
                                                counters.foreignFrees));
    const PluginGdiOutstanding gdi = OutstandingPluginGdi();
    if (gdi.memoryDcs != 0 || gdi.windowDcs != 0 || gdi.sections != 0)
        log.Fail("gdi-leak", Format("after %s: the plug-in holds %lld memory DCs, %lld window DCs, %lld DIB sections",
                                    after, static_cast<long long>(gdi.memoryDcs),
                                    static_cast<long long>(gdi.windowDcs), static_cast<long long>(gdi.sections)));
    if (HostTestbedOpenDocuments() != 0)
        log.Fail("host-document-leak", Format("after %s: %d documents open", after, HostTestbedOpenDocuments()));
    if (HostTestbedInvalidHandleCalls() != 0)
        log.Fail("host-invalid-handle", Format("after %s: %d calls with a dead handle", after,
                                               HostTestbedInvalidHandleCalls()));
}
