#include "tests/explore/settings_file_check.h"

#include <windows.h>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/saved_settings.h"
#include "tests/support/test_files.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    std::string bytes;
    for (wchar_t c : text)
        bytes += c < 0x80 ? static_cast<char>(c) : '?';
    return bytes;
}

bool ReadableSettings(const SavedSettings& saved)
{
    if (!saved.loaded || saved.rootName != L"DVP_QPV")
        return false;
    for (int value : saved.useForStreams)
        if (value < 0)
            return false;
    for (const std::wstring& value : saved.excluded)
        if (value == L"?")
            return false;
    return true;
}

}  // namespace

SettingsFileState DrawSettingsFile(Rng& rng, const std::wstring& folder, bool keepBackups)
{
    SettingsFileState state;
    state.path = folder + L"\\DVP_QPV.oxc";
    DeleteFileW(state.path.c_str());
    if (!keepBackups) {
        DeleteFileW((state.path + L".bak").c_str());
        DeleteFileW((state.path + L".latest.bak").c_str());
    }
    const uint32_t kind = rng.Below(10);
    if (kind < 2)
        return state;
    std::string text;
    if (kind < 7) {
        std::string children;
        const uint32_t entries = rng.Below(6);
        for (uint32_t i = 0; i < entries; ++i) {
            const std::string entry = ".u" + std::to_string(rng.Below(100));
            children += SettingsEntry(entry);
            state.excluded.emplace_back(entry.begin(), entry.end());
        }
        if (rng.Chance(300))
            children += "<Other>1</Other>";
        if (rng.Chance(800)) {
            state.useForStreams = rng.Chance(500);
            children += SettingsSwitch(state.useForStreams);
        }
        text = SettingsDocument(children);
    } else if (kind < 8) {
        text = "<?xml version=\"1.0\"?>\r\n<DVP_QPV><ExcludedExtension>.cut</Excl";
    } else if (kind < 9) {
        text = SettingsDocument(SettingsEntry(".abc"), "Other");
    } else {
        for (uint32_t i = 0, n = 1 + rng.Below(40); i < n; ++i)
            text += static_cast<char>(rng.Next());
    }
    WriteFileBytes(state.path, text);
    state.existed = true;
    state.bytes.assign(text.begin(), text.end());
    // What was written is known; with the host's deviations off (the first
    // draw of a scenario), the host's own reading is asked as well.
    state.readable = kind < 7;
    if (!keepBackups)
        state.readable = ReadableSettings(ReadSavedSettings(state.path));
    return state;
}

bool CheckSettingsFile(FindingLog& log, const SettingsFileState& initial, const CommittedSettings* lastSaved,
                       bool hostDamagedTheFile)
{
    const bool exists = GetFileAttributesW(initial.path.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::vector<uint8_t> bytes = ReadFileBytes(initial.path);
    if (exists == initial.existed && bytes == initial.bytes) {
        if (lastSaved && !hostDamagedTheFile)
            log.Fail("settings-not-saved", "a save reported done left the file as it was");
        return false;  // unchanged
    }
    const bool unreadableReplaced = initial.existed && !initial.readable;
    if (unreadableReplaced && ReadFileBytes(initial.path + L".bak") != initial.bytes &&
        ReadFileBytes(initial.path + L".latest.bak") != initial.bytes)
        log.Fail("settings-lost", "an unreadable settings file was saved over without a backup of its bytes");
    if (hostDamagedTheFile)
        return unreadableReplaced;
    if (!exists) {
        log.Fail("settings-lost", "the settings file is gone");
        return unreadableReplaced;
    }
    const SavedSettings saved = ReadSavedSettings(initial.path);
    if (!ReadableSettings(saved) || saved.useForStreams.size() != 1 || !saved.otherNodes.empty()) {
        log.Fail("settings-lost", "the settings file was replaced by one that is not complete (root " +
                                      Utf8(saved.rootName) + ", " + std::to_string(saved.excluded.size()) +
                                      " extensions, " + std::to_string(saved.useForStreams.size()) +
                                      " stream switches, " + std::to_string(saved.otherNodes.size()) +
                                      " other nodes)");
        return unreadableReplaced;
    }
    if (!lastSaved || lastSaved->excluded != saved.excluded || lastSaved->useForStreams != (saved.useForStreams[0] != 0))
        log.Fail("settings-not-committed",
                 "the file holds other settings than the last commit saved (" + std::to_string(saved.excluded.size()) +
                     " entries" + (saved.excluded.empty() ? std::string() : ", first " + Utf8(saved.excluded[0])) +
                     (lastSaved ? ")" : "; no save was reported done)"));
    return unreadableReplaced;
}

void CollectDeviationCounts(const LibraryControl& library, KindCounts& kinds)
{
    TestbedDeviationCount rows[256];
    const int32_t count = library.GetDeviationCounts(rows, 256);
    for (int32_t i = 0; i < count && i < 256; ++i) {
        KindCount& kind = kinds[std::string(rows[i].kind, strnlen(rows[i].kind, sizeof(rows[i].kind)))];
        kind.calls += rows[i].calls;
        kind.drawn += rows[i].drawn;
    }
    for (const HostDeviationCount& row : HostTestbedDeviationCounts()) {
        KindCount& kind = kinds[row.kind];
        kind.calls += row.calls;
        kind.drawn += row.drawn;
    }
}
