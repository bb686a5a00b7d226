// Identification overhead: DVP_IdentifyFileW with the 68 default exclusions
// on a name none of them matches, against the library's own header reading
// on the same file; then the exclusion check alone, with the 68 defaults and
// with a list of 1,000 entries.
#include <windows.h>

#include <cwchar>
#include <string>

#include "bench/bench_clock.h"
#include "bench/benches.h"
#include "plugin/plugin_state.h"
#include "settings/plugin_settings.h"
#include "viewer/file_identification.h"

namespace {

// Identification reads a file through Wine: its time varies far more from
// batch to batch than the plug-in's share of it, so the two variants
// alternate in many short batches and the paired differences are taken.
constexpr int kIdentifyCallsPerSample = 50;
constexpr int kIdentifyPairsPerRepetition = 8;
constexpr int kOwnStepsCalls = 20000;
constexpr int kCheckCallsDefaults = 20000;
constexpr int kCheckCallsThousand = 2000;
constexpr size_t kLargeListSize = 1000;
constexpr double kIdentifyBound = 0.05;

void PluginIdentify(const dvp::PluginExports& plugin, const std::wstring& path)
{
    wchar_t description[256] = {};
    dvp::FileInfoRecord record{};
    record.size = sizeof record;
    record.description = description;
    record.descriptionCapacity = 256;
    if (!plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr))
        Fail("DVP_IdentifyFileW refused the benchmark's file");
}

void DirectIdentify(const std::wstring& path)
{
    const GflEntryPoints& gfl = State().library().api();
    GflFileInformation info{};
    if (gfl.gflGetFileInformationW(path.c_str(), -1, &info) != kGflNoError)
        Fail("gflGetFileInformationW failed on the benchmark's file");
    gfl.gflFreeFileInformation(&info);
}

void CheckMany(const std::wstring& name, const PluginSettings& settings, int calls)
{
    for (int i = 0; i < calls; ++i)
        if (IsExcludedName(name.c_str(), name.size(), settings))
            Fail("the benchmark's name is excluded");
}

// The copy-out alone, as IsExcludedName makes it under the lock.
void CopyMany(const PluginSettings& settings, int calls)
{
    for (int i = 0; i < calls; ++i) {
        ExtensionList copy;
        {
            Lock lock(settings.lock);
            copy = settings.excludedExtensions;
        }
        Escape(copy.data());
    }
}

// What DVP_IdentifyFileW does beyond the library's calls, alone: the
// exclusion check on the live settings and the record fill with the
// description text.
void OwnStepsMany(const std::wstring& name, const GflFileInformation& info, int calls)
{
    const PluginSettings* settings = const_cast<PluginSettings*>(State().settings());
    wchar_t description[256] = {};
    for (int i = 0; i < calls; ++i) {
        FileInfoRecord record{};
        record.description = description;
        record.descriptionCapacity = 256;
        if (IsExcludedName(name.c_str(), name.size(), *settings))
            Fail("the benchmark's name is excluded");
        FillFileInfoRecord(info, &record);
        Escape(&record);
    }
}

size_t LiveExclusionCount()
{
    const PluginSettings* settings = const_cast<PluginSettings*>(State().settings());
    if (!settings)
        Fail("the plug-in is not initialised");
    Lock lock(settings->lock);
    return settings->excludedExtensions.size();
}

}  // namespace

void RunIdentifyBench(BenchContext& context)
{
    Progress("identify: overhead");
    const int pairs = context.repetitions * kIdentifyPairsPerRepetition;
    context.report.section(
        Format("Identification, 32 x 32 TBIM named x.tbim, %d interleaved pairs of %d calls", pairs,
               kIdentifyCallsPerSample));
    const std::wstring path = WriteSmallImage(context.scratch);
    if (LiveExclusionCount() != DefaultExcludedExtensions.size())
        Fail("the started plug-in does not hold the 68 default exclusions");
    PluginIdentify(context.plugin, path);
    DirectIdentify(path);

    const auto samples = Interleave(pairs, {
                                               [&] {
                                                   for (int i = 0; i < kIdentifyCallsPerSample; ++i)
                                                       PluginIdentify(context.plugin, path);
                                               },
                                               [&] {
                                                   for (int i = 0; i < kIdentifyCallsPerSample; ++i)
                                                       DirectIdentify(path);
                                               },
                                           });
    const double plugin = Median(samples[0]) / kIdentifyCallsPerSample;
    const double direct = Median(samples[1]) / kIdentifyCallsPerSample;
    const double added = MedianDifference(samples[0], samples[1]) / kIdentifyCallsPerSample;
    const double share = added / direct;
    context.report.add(
        "DVP_IdentifyFileW (68 exclusions) beyond gflGetFileInformationW + gflFreeFileInformation",
        Format("%+.1f %% (%.2f us added; plug-in %.2f us, library %.2f us per call)", share * 100,
               added * 1e6, plugin * 1e6, direct * 1e6),
        Format("<= %.0f %%", kIdentifyBound * 100), AtMost(share, kIdentifyBound));

    GflFileInformation info{};
    if (State().library().api().gflGetFileInformationW(path.c_str(), -1, &info) != kGflNoError)
        Fail("gflGetFileInformationW failed on the benchmark's file");
    const auto own = Interleave(context.repetitions, {[&] { OwnStepsMany(path, info, kOwnStepsCalls); }});
    State().library().api().gflFreeFileInformation(&info);
    const double ownSteps = Median(own[0]) / kOwnStepsCalls;
    context.report.add(
        "cross-check: the plug-in's own steps alone (exclusion check + record fill)",
        Format("%.0f ns per call = %.2f %% of the library's call", ownSteps * 1e9, ownSteps / direct * 100),
        "-", Verdict::Info);

    Progress("identify: exclusion check");
    PluginSettings defaults;
    defaults.ResetToDefaults();
    PluginSettings thousand;
    for (size_t i = 0; i < kLargeListSize; ++i) {
        wchar_t entry[16];
        swprintf(entry, 16, L".e%03u", static_cast<unsigned>(i));
        thousand.excludedExtensions.push_back(entry);
    }
    const auto checks =
        Interleave(context.repetitions, {
                                            [&] { CheckMany(path, defaults, kCheckCallsDefaults); },
                                            [&] { CheckMany(path, thousand, kCheckCallsThousand); },
                                            [&] { CopyMany(defaults, kCheckCallsDefaults); },
                                            [&] { CopyMany(thousand, kCheckCallsThousand); },
                                        });
    const double checkDefaults = Median(checks[0]) / kCheckCallsDefaults;
    const double checkThousand = Median(checks[1]) / kCheckCallsThousand;
    const double copyDefaults = Median(checks[2]) / kCheckCallsDefaults;
    const double copyThousand = Median(checks[3]) / kCheckCallsThousand;
    context.report.add("IsExcludedName, 68 defaults, name not excluded",
                       Format("%.0f ns per call (copy-out under the lock: %.0f ns)", checkDefaults * 1e9,
                              copyDefaults * 1e9),
                       "-", Verdict::Info);
    context.report.add(
        "IsExcludedName, 1,000 entries, name not excluded",
        Format("%.0f ns per call (copy-out under the lock: %.0f ns; %.1f %% of one library call)",
               checkThousand * 1e9, copyThousand * 1e9, checkThousand / direct * 100),
        "-", Verdict::Info);
}
