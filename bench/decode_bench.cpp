// Decode overhead for a 24-megapixel image: what DVP_LoadBitmapW (and its
// stream variant) costs beyond the library calls it makes, measured against
// the one unavoidable cost, writing the DIB's width x height x 4 bytes once
// into fresh memory.
//
// The images are TBIM files, so the stand-in's own decode is little more
// than reading the file: the plug-in's share (device contexts, the DIB
// section, the block copy, the alpha pass, DeleteObject) is not drowned by
// a real codec. The library's work cancels out in the difference of the two
// interleaved runs.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "bench/bench_clock.h"
#include "bench/benches.h"
#include "plugin/plugin_state.h"
#include "testbed/host/host_stream.h"
#include "viewer/dib_conversion.h"
#include "viewer/stream_source.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr size_t kDibBytes = static_cast<size_t>(kWidth) * kHeight * 4;
constexpr int16_t kTransparentIndex = 5;  // pixel (5, 0) carries it
constexpr double kOpaqueBound = 1.15;
constexpr double kTransparentBound = 2.0;
// The transparent colour's alpha is set in the same pass as the copy, so
// the plug-in's own work costs (nearly) the same with or without one.
constexpr double kTransparentOverOpaqueBound = 1.05;

// The host's stream: the stand-in host's stream over the file's bytes,
// rewound before every load so each one reads the whole image.
class RewoundStream {
public:
    explicit RewoundStream(std::vector<uint8_t> bytes) : stream_(HostStream::Create(std::move(bytes)))
    {
        if (!stream_)
            Fail("cannot create the stream");
    }
    ~RewoundStream() { stream_->Release(); }
    RewoundStream(const RewoundStream&) = delete;
    RewoundStream& operator=(const RewoundStream&) = delete;

    IStream* rewound() const
    {
        if (stream_->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr) != S_OK)
            Fail("cannot rewind the stream");
        return stream_;
    }

private:
    HostStream* stream_;
};

GflLoadParams PluginLoadParams() noexcept
{
    GflLoadParams params{};
    State().library().api().gflGetDefaultLoadParams(&params);
    params.flags |= kGflLoadOption;
    return params;
}

void ConvertAndFree(GflBitmap* bitmap)
{
    const GflEntryPoints& gfl = State().library().api();
    if (gfl.gflChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0) != kGflNoError)
        Fail("gflChangeColorDepth failed");
    gfl.gflFreeBitmap(bitmap);
}

// The library calls DVP_LoadBitmapW makes, made directly: the file's
// description (which shows whether a DIB can hold the image), then the decode.
void DirectFileLoad(const std::wstring& path)
{
    const GflEntryPoints& gfl = State().library().api();
    GflRecordRoom<GflFileInformation> information;
    if (gfl.gflGetFileInformationW(path.c_str(), -1, &information.record) != kGflNoError)
        Fail("gflGetFileInformationW failed");
    gfl.gflFreeFileInformation(&information.record);
    const GflLoadParams params = PluginLoadParams();
    GflBitmap* bitmap = nullptr;
    if (gfl.gflLoadBitmapW(path.c_str(), &bitmap, &params, nullptr) != kGflNoError || !bitmap)
        Fail("gflLoadBitmapW failed");
    ConvertAndFree(bitmap);
}

// The library calls DVP_LoadBitmapStreamW makes, through the plug-in's own
// stream callbacks, made directly.
void DirectStreamLoad(const RewoundStream& stream)
{
    GflLoadParams params = PluginLoadParams();
    InstallStreamCallbacks(params.callbacks);
    GflBitmap* bitmap = nullptr;
    if (State().library().api().gflLoadBitmapFromHandle(stream.rewound(), &bitmap, &params, nullptr) !=
            kGflNoError ||
        !bitmap)
        Fail("gflLoadBitmapFromHandle failed");
    ConvertAndFree(bitmap);
}

// The floor: the DIB's bytes written once into memory that was just
// allocated (so its pages are touched for the first time, as a new
// section's are), then released.
void CopyFloor(const uint8_t* source)
{
    void* block = std::malloc(kDibBytes);
    if (!block)
        Fail("cannot allocate the copy's block");
    memcpy(block, source, kDibBytes);
    Escape(block);
    std::free(block);
}

// The first result of each case is checked, so that the timings are of a
// load that produced the right bitmap. The first row's pixels also show the
// rows run top-down (Wine reports the header's height without its sign).
void VerifyBitmap(HBITMAP bitmap, const dvp::FileInfoRecord& record, bool transparent)
{
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof section, &section) != sizeof section)
        Fail("the plug-in's bitmap is not a DIB section");
    if (section.dsBmih.biWidth != kWidth || std::abs(section.dsBmih.biHeight) != kHeight ||
        section.dsBmih.biBitCount != 32 || !section.dsBm.bmBits)
        Fail("the plug-in's DIB section has the wrong shape");
    const auto* pixels = static_cast<const uint8_t*>(section.dsBm.bmBits);
    const bool marked = (record.flags & dvp::kFileInfoHasTransparency) != 0;
    if (marked != transparent)
        Fail("the transparency flag does not match the image");
    if (transparent) {
        if (pixels[kTransparentIndex * 4 + 3] != 0 || pixels[3] != 255)
            Fail("the alpha pass did not mark exactly the transparent colour");
    } else if (pixels[4] != 1 || pixels[5] != 0 || pixels[6] != 1 || pixels[7] != 255) {
        Fail("the opaque image's pixels were not copied unchanged");
    }
}

struct DecodeCase {
    const char* name;
    std::function<HBITMAP(dvp::FileInfoRecord*)> plugin;
    std::function<void()> direct;
    bool transparent;
    double bound;
};

void Measure(BenchContext& context, const DecodeCase& c, const uint8_t* copySource)
{
    Progress("decode: %s", c.name);
    dvp::FileInfoRecord record{};
    HBITMAP first = c.plugin(&record);
    if (!first)
        Fail("the plug-in returned no bitmap");
    VerifyBitmap(first, record, c.transparent);
    DeleteObject(first);
    c.direct();
    CopyFloor(copySource);

    const auto pluginLoad = [&] {
        dvp::FileInfoRecord each{};
        HBITMAP bitmap = c.plugin(&each);
        if (!bitmap)
            Fail("the plug-in returned no bitmap");
        DeleteObject(bitmap);  // the host's part, counted with the plug-in's
    };
    const auto samples =
        Interleave(context.repetitions, {pluginLoad, c.direct, [&] { CopyFloor(copySource); }});
    const double plugin = Median(samples[0]);
    const double direct = Median(samples[1]);
    const double copy = Median(samples[2]);
    const double overhead = MedianDifference(samples[0], samples[1]);
    const double ratio = overhead / copy;
    context.report.add(Format("%s: plug-in overhead / plain copy", c.name),
                       Format("%.2f x (overhead %.1f ms, copy %.1f ms; plug-in %.1f ms, direct %.1f ms)",
                              ratio, overhead * 1e3, copy * 1e3, plugin * 1e3, direct * 1e3),
                       Format("<= %.2f x", c.bound), AtMost(ratio, c.bound));
}

// The plug-in's own part of a decode, side by side for the same converted
// 96 MB bitmap: the DIB section made and filled (ConvertToDib, with its
// device contexts) and deleted by the host, without and with a transparent
// colour. The library's decode and conversion are the same for both and not
// part of either run.
void MeasureTransparentColourCost(BenchContext& context, const uint8_t* pixels)
{
    Progress("decode: conversion with and without a transparent colour");
    GflBitmap bitmap{};
    bitmap.width = kWidth;
    bitmap.height = kHeight;
    bitmap.data = const_cast<uint8_t*>(pixels);
    const uint32_t color = 0x000101u;  // red 1, green 1, blue 0: some pixels of the image
    const auto convert = [&](bool transparent) {
        HBITMAP section = ConvertToDib(UniqueWindowDc(nullptr), bitmap, transparent, color);
        if (!section)
            Fail("ConvertToDib returned no bitmap");
        DeleteObject(section);
    };
    const auto samples =
        Interleave(context.repetitions, {[&] { convert(false); }, [&] { convert(true); }});
    const double opaque = Median(samples[0]);
    const double transparent = Median(samples[1]);
    const double ratio = transparent / opaque;
    context.report.add("plug-in's own part, transparent colour / none (same bitmap, ConvertToDib + DeleteObject)",
                       Format("%.3f x (%.1f ms with, %.1f ms without)", ratio, transparent * 1e3, opaque * 1e3),
                       Format("<= %.2f x", kTransparentOverOpaqueBound),
                       AtMost(ratio, kTransparentOverOpaqueBound));
}

}  // namespace

void RunDecodeBench(BenchContext& context)
{
    context.report.section(Format("Decode overhead, %d x %d (%.0f MB DIB), %d repetitions", kWidth, kHeight,
                                  kDibBytes / 1e6, context.repetitions));
    const std::vector<uint8_t> opaque = OpaqueBgraTbim(kWidth, kHeight);
    const std::wstring opaquePath = context.scratch.file(L"opaque.tbim");
    WriteFileBytes(opaquePath, opaque);
    const std::wstring transparentPath = context.scratch.file(L"transparent.tbim");
    WriteFileBytes(transparentPath, TransparentPaletteTbim(kWidth, kHeight, kTransparentIndex));
    const RewoundStream stream(opaque);
    const uint8_t* copySource = opaque.data() + sizeof(TestbedImageHeader);  // the pixels, after the header

    const DecodeCase cases[] = {
        {"file, opaque BGRA",
         [&](dvp::FileInfoRecord* record) {
             return context.plugin.LoadBitmapW(nullptr, opaquePath.c_str(), record, nullptr, nullptr);
         },
         [&] { DirectFileLoad(opaquePath); }, false, kOpaqueBound},
        {"file, palette with transparent colour",
         [&](dvp::FileInfoRecord* record) {
             return context.plugin.LoadBitmapW(nullptr, transparentPath.c_str(), record, nullptr, nullptr);
         },
         [&] { DirectFileLoad(transparentPath); }, true, kTransparentBound},
        {"stream, opaque BGRA",
         [&](dvp::FileInfoRecord* record) {
             return context.plugin.LoadBitmapStreamW(nullptr, stream.rewound(), L"opaque.tbim", record, nullptr,
                                          nullptr);
         },
         [&] { DirectStreamLoad(stream); }, false, kOpaqueBound},
    };
    for (const DecodeCase& c : cases)
        Measure(context, c, copySource);
    MeasureTransparentColourCost(context, copySource);
}
