// The settings file is never lost: after any scenario it is either
// unchanged, or a complete file holding settings the dialog committed, and
// a file that could not be read before is kept byte for byte in the backup.
// Also the deviation counts the stand-ins report, gathered per scenario.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testbed/imagelib/library_control.h"
#include "tests/explore/exploration.h"
#include "tests/explore/scenario_checks.h"

struct SettingsFileState {
    std::wstring path;
    bool existed = false;
    std::vector<uint8_t> bytes;
    bool readable = false;  // a settings document the plug-in reads
    std::vector<std::wstring> excluded;  // what it holds, when readable
    bool useForStreams = true;
};

struct CommittedSettings {
    std::vector<std::wstring> excluded;  // in the order the dialog listed them
    bool useForStreams = true;
};

// Writes a drawn settings file (none, a readable one, or unreadable bytes)
// into the folder and removes older backups, unless keepBackups (another
// program writing the file while the plug-in runs).
SettingsFileState DrawSettingsFile(Rng& rng, const std::wstring& folder, bool keepBackups = false);

// Run with the host's deviations off: reads the file through its services.
// True when a file that was unreadable at the start was replaced. The file
// must hold exactly the last commit whose save was not reported failed, or,
// without one, its first bytes. A host that damaged the file in a save it
// reported failed (hostDamagedTheFile) left what it left: the plug-in never
// writes the file itself, so only the backup of an unreadable file is judged
// then.
bool CheckSettingsFile(FindingLog& log, const SettingsFileState& initial, const CommittedSettings* lastSaved,
                       bool hostDamagedTheFile);

// Adds the stand-ins' counts since their last reset.
void CollectDeviationCounts(const LibraryControl& library, KindCounts& kinds);
