// Re-initialisation with a library that reports 300 formats of three
// extensions each: the cost of one DVP_InitEx + DVP_Uninit cycle after the
// first (the library stays bound, so a cycle rebuilds the host services
// table, the settings with their file lookup, and the handled-extensions
// string), and of building that string alone.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/benches.h"
#include "imagelib/handled_extensions.h"
#include "plugin/host_services.h"
#include "plugin/plugin_state.h"
#include "settings/host_document.h"
#include "settings/plugin_settings.h"
#include "settings/settings_persistence.h"

namespace {

constexpr int kFormats = 300;
constexpr int kExtensionsPerFormat = 3;
constexpr int kBuildsPerSample = 10;

std::vector<TestbedFormat> ManyFormats()
{
    std::vector<TestbedFormat> formats(kFormats);
    for (int i = 0; i < kFormats; ++i) {
        TestbedFormat& format = formats[i];
        snprintf(format.name, sizeof format.name, "format%03d", i);
        format.extensionCount = kExtensionsPerFormat;
        // Upper case in one slot, so the lower-casing does real work.
        snprintf(format.extensions[0], sizeof format.extensions[0], "a%03d", i);
        snprintf(format.extensions[1], sizeof format.extensions[1], "B%03d", i);
        snprintf(format.extensions[2], sizeof format.extensions[2], "c%03d", i);
        format.informationResult = 0;
        format.readable = 1;
    }
    return formats;
}

size_t EntryCount(const wchar_t* text)
{
    if (!text || !*text)
        return 0;
    size_t count = 1;
    for (; *text; ++text)
        count += *text == L';' ? 1 : 0;
    return count;
}

// What a cycle's settings step does: a fresh instance loads the file (or
// finds none) through the host's services.
bool LoadFreshSettings(const SettingsFileServices& host)
{
    PluginSettings settings;
    Lock lock(settings.lock);
    return LoadSettings(host, settings);
}

// Writes the 68 defaults as the dialog's commit would save them.
void SaveDefaultSettings(const SettingsFileServices& host)
{
    PluginSettings settings;
    Lock lock(settings.lock);
    settings.ResetToDefaults();
    if (!SaveSettings(host, settings))
        Fail("cannot save a settings file through the stand-in host");
}

std::wstring SettingsFilePath(const SettingsFileServices& host)
{
    std::wstring path;
    if (!GetSettingsFilePath(host, path))
        Fail("the stand-in host gives no configuration folder");
    return path;
}

// The host's own part of a load: opening (or failing to find) the document
// and freeing it, without the plug-in's walk over it.
void HostLoadOnly(const SettingsFileServices& host, const std::wstring& path, bool expectDocument)
{
    const HostDocument document(host.XMLFreeFile, host.XMLLoadFileW(path.c_str()));
    if (static_cast<bool>(document) != expectDocument)
        Fail(expectDocument ? "the host cannot load the saved settings file"
                            : "the host loads a settings file that should not exist");
}

void Cycle(const dvp::PluginExports& plugin)
{
    dvp::InitExRecord record = dvp::HostRecord(13);
    if (!plugin.InitEx(&record))
        Fail("DVP_InitEx failed in a re-initialisation cycle");
    plugin.Uninit();
}

}  // namespace

void RunInitBench(BenchContext& context)
{
    Progress("init: 300 formats");
    const std::vector<TestbedFormat> formats = ManyFormats();
    const dvp::PluginExports& plugin = context.plugin;
    context.library.SetFormats(formats.data(), kFormats);
    plugin.Uninit();  // the count the start-up left is now 0

    // The first cycle with the new table, checked, then timed ones.
    dvp::InitExRecord record = dvp::HostRecord(13);
    if (!plugin.InitEx(&record))
        Fail("DVP_InitEx failed with 300 formats");
    const size_t entries = EntryCount(State().handledExtensions());
    plugin.Uninit();
    if (entries != static_cast<size_t>(kFormats * kExtensionsPerFormat))
        Fail("the handled-extensions string does not list the 900 extensions");

    const SettingsFileServices host = HostServices::Bind().settingsFile();
    const std::wstring settingsPath = SettingsFilePath(host);
    const auto build = [] {
        for (int i = 0; i < kBuildsPerSample; ++i) {
            if (!buildHandledExtensions(State().library()))
                Fail("buildHandledExtensions failed");
        }
    };
    const auto bind = [] {
        for (int i = 0; i < kBuildsPerSample; ++i)
            static_cast<void>(HostServices::Bind());
    };
    const auto loadAbsent = [&] {
        for (int i = 0; i < kBuildsPerSample; ++i)
            if (LoadFreshSettings(host))
                Fail("a settings file appeared in the empty configuration folder");
    };
    const auto hostAbsent = [&] {
        for (int i = 0; i < kBuildsPerSample; ++i)
            HostLoadOnly(host, settingsPath, false);
    };
    const auto withoutFile =
        Interleave(context.repetitions, {[&] { Cycle(plugin); }, build, bind, loadAbsent, hostAbsent});

    SaveDefaultSettings(host);
    const auto loadPresent = [&] {
        for (int i = 0; i < kBuildsPerSample; ++i)
            if (!LoadFreshSettings(host))
                Fail("the saved settings file does not load");
    };
    const auto hostPresent = [&] {
        for (int i = 0; i < kBuildsPerSample; ++i)
            HostLoadOnly(host, settingsPath, true);
    };
    const auto withFile = Interleave(context.repetitions, {[&] { Cycle(plugin); }, loadPresent, hostPresent});

    const double each = 1.0 / kBuildsPerSample;
    const double cycle = Median(withoutFile[0]);
    const double buildTime = Median(withoutFile[1]) * each;
    const double bindHost = Median(withoutFile[2]) * each;
    const double loadAbsentTime = Median(withoutFile[3]) * each;
    const double hostAbsentTime = Median(withoutFile[4]) * each;
    const double cycleWithFile = Median(withFile[0]);
    const double loadPresentTime = Median(withFile[1]) * each;
    const double hostPresentTime = Median(withFile[2]) * each;

    context.report.section(
        Format("Initialisation, library reporting %d formats x %d extensions, %d repetitions", kFormats,
               kExtensionsPerFormat, context.repetitions));
    context.report.add("DVP_InitEx + DVP_Uninit cycle after the first, no settings file",
                       Format("%.0f us per cycle", cycle * 1e6), "-", Verdict::Info);
    context.report.add("buildHandledExtensions alone (900 extensions)",
                       Format("%.0f us (%.0f %% of a cycle)", buildTime * 1e6, buildTime / cycle * 100), "-",
                       Verdict::Info);
    context.report.add("binding the host services alone (HostServices)",
                       Format("%.0f us (%.0f %% of a cycle)", bindHost * 1e6, bindHost / cycle * 100), "-",
                       Verdict::Info);
    context.report.add("LoadSettings alone, no settings file",
                       Format("%.0f us (the stand-in host's XMLLoadFileW failing on it: %.0f us)",
                              loadAbsentTime * 1e6, hostAbsentTime * 1e6),
                       "-", Verdict::Info);
    context.report.add("DVP_InitEx + DVP_Uninit cycle, saved settings file with the 68 defaults",
                       Format("%.0f us per cycle", cycleWithFile * 1e6), "-", Verdict::Info);
    context.report.add("LoadSettings alone, saved settings file",
                       Format("%.0f us (the stand-in host's XMLLoadFileW + XMLFreeFile: %.0f us)",
                              loadPresentTime * 1e6, hostPresentTime * 1e6),
                       "-", Verdict::Info);
    context.report.note(
        "Initialisation: the stand-in host parses settings files with MSXML through COM, whose "
        "cost under Wine varies widely from run to run; the figures measured apart are medians "
        "of their own runs and need not add up to a cycle's.");
    context.library.Reset();
}
