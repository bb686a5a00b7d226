// A file too large for a DIB: what refusing it costs when the library's
// description is read first, against the decode that the refusal used to
// follow; and what reading the description first adds to an ordinary load.
//
// Both variants run side by side in one run through DVP_LoadBitmapW: the
// second has the stand-in's description fail, and the plug-in then loads a
// file exactly as it did before it read descriptions (the decode first).
// The stand-in describes a file from its header, as a real library does, so
// on ordinary files the ratio is what reading the description adds.
#include <windows.h>

#include <psapi.h>

#include <string>

#include "bench/bench_clock.h"
#include "bench/benches.h"
#include "testbed/imagelib/tbim_image.h"

namespace {

constexpr int32_t kHugeSide = 40000;
constexpr int kRefusalsPerSample = 20;
constexpr int kSmallLoadsPerSample = 20;
constexpr DWORD kHeaderBytes = 64 * 1024;

uint64_t PeakCommit()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

// One load through the plug-in, with the library's description available
// or failing; true when it produced a bitmap (deleted at once).
bool Load(BenchContext& context, const std::wstring& path, bool described)
{
    context.library.SetFaults(described ? 0u : static_cast<uint32_t>(kTestbedFailInformation));
    dvp::FileInfoRecord record{};
    HBITMAP bitmap = context.plugin.LoadBitmapW(nullptr, path.c_str(), &record, nullptr, nullptr);
    context.library.SetFaults(0);
    DeleteObject(bitmap);
    return bitmap != nullptr;
}

// What a library reading a header does to the file system: open, read the
// first 64 KB, close (the host has just identified the file, so it is cached).
void ReadHeader(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("cannot open the benchmark's file");
    static char header[kHeaderBytes];
    DWORD read = 0;
    ReadFile(file, header, kHeaderBytes, &read, nullptr);
    CloseHandle(file);
}

void MeasureRefusal(BenchContext& context)
{
    Progress("refusal: %d x %d", kHugeSide, kHugeSide);
    TbimImage huge;
    huge.width = kHugeSide;
    huge.height = kHugeSide;
    huge.bgra = true;  // the stand-in carries no pixels for it
    const std::wstring path = context.scratch.file(L"huge.tbim");
    WriteFileBytes(path, huge.Bytes());
    if (Load(context, path, true) || Load(context, path, false))
        Fail("the plug-in made a bitmap of a 40000 x 40000 image");

    const auto refuse = [&](bool described) {
        return [&context, &path, described] {
            for (int i = 0; i < kRefusalsPerSample; ++i)
                Load(context, path, described);
        };
    };
    context.library.Reset();
    const uint64_t peakBefore = PeakCommit();
    const auto samples = Interleave(context.repetitions, {refuse(true), refuse(false)});
    const uint64_t peakAfter = PeakCommit();
    const TestbedCounters counters = context.library.Counters();
    const double described = Median(samples[0]) / kRefusalsPerSample;
    const double decoded = Median(samples[1]) / kRefusalsPerSample;
    context.report.add("refused after reading the description / after the decode (before)",
                       Format("%.2f x (%.1f us against %.1f us per call)", described / decoded, described * 1e6,
                              decoded * 1e6),
                       "-", Verdict::Info);
    const int undescribedRefusals = context.repetitions * kRefusalsPerSample;
    const int decodes = counters.calls[kTbLoadBitmapW];
    context.report.add("decodes the library made, over all refusals of both kinds",
                       Format("%d (%d refusals each)", decodes, undescribedRefusals),
                       Format("%d: none after a description", undescribedRefusals),
                       decodes == undescribedRefusals ? Verdict::Pass : Verdict::Miss);
    context.report.add("process's peak commit added by all these refusals",
                       Format("%.1f MB", static_cast<double>(peakAfter - peakBefore) / 1e6), "-", Verdict::Info);
    context.report.note(Format(
        "Refusal: the stand-in carries no pixels for a %d x %d image (a 16-byte placeholder), so its decode costs "
        "only time spent in the stand-in. A real library decoding it holds the whole bitmap in the host's process "
        "before the plug-in can refuse it: %.1f GB at 24 bits per pixel, %.1f GB once converted to 32 bits.",
        kHugeSide, kHugeSide, kHugeSide * 1.0 * kHugeSide * 3 / 1e9, kHugeSide * 1.0 * kHugeSide * 4 / 1e9));
}

void MeasureOrdinaryLoad(BenchContext& context, const char* name, const std::wstring& path, int loadsPerSample)
{
    Progress("refusal: ordinary load, %s", name);
    if (!Load(context, path, true) || !Load(context, path, false))
        Fail("the plug-in refused an ordinary image");
    const auto load = [&](bool described) {
        return [&context, &path, described, loadsPerSample] {
            for (int i = 0; i < loadsPerSample; ++i)
                Load(context, path, described);
        };
    };
    const auto header = [&path, loadsPerSample] {
        for (int i = 0; i < loadsPerSample; ++i)
            ReadHeader(path);
    };
    const auto samples = Interleave(context.repetitions, {load(true), load(false), header});
    const double described = Median(samples[0]) / loadsPerSample;
    const double before = Median(samples[1]) / loadsPerSample;
    const double headerRead = Median(samples[2]) / loadsPerSample;
    context.report.add(Format("%s: load with the description read first / without (before)", name),
                       Format("%.3f x (%.1f us against %.1f us per load)", described / before, described * 1e6,
                              before * 1e6),
                       "-", Verdict::Info);
    context.report.add(Format("%s: a header read (open, 64 KB, close) / a load (before)", name),
                       Format("%.3f x (%.1f us)", headerRead / before, headerRead * 1e6), "-", Verdict::Info);
}

}  // namespace

void RunRefusalBench(BenchContext& context)
{
    context.report.section(Format("Refusing a file too large for a DIB, %d repetitions", context.repetitions));
    MeasureRefusal(context);
    const std::wstring small = WriteSmallImage(context.scratch);
    MeasureOrdinaryLoad(context, "32 x 32 file", small, kSmallLoadsPerSample);
    const std::wstring large = context.scratch.file(L"ordinary.tbim");
    WriteFileBytes(large, OpaqueBgraTbim(6000, 4000));
    MeasureOrdinaryLoad(context, "6000 x 4000 file", large, 1);
    context.report.note(
        "Ordinary loads: the stand-in describes a file from its header (it opens the file and reads its first "
        "64 KB, all of a smaller file), so a load with the description read first adds one open and header read "
        "to the decode, as the header-read rows show: a share of a tiny file's load under Wine, where opening a "
        "file is slow, and nothing measurable for a large one.");
    context.library.Reset();
}
