// Identification of files and streams: the user's exclusions first, then the
// library's own format detection, then the host's FileInfoRecord.
#pragma once

#include <cstddef>

#include "imagelib/gfl_records.h"
#include "plugin/host_records.h"

class PluginSettings;

// True when the name (length >= 1) ends in one of the settings' excluded
// extensions, A-Z and a-z compared without case, everything else exactly.
// The list is copied out under the settings lock and matched outside it.
bool IsExcludedName(const wchar_t* name, size_t length, const PluginSettings& settings);

// Fills the host's record from the library's file information.
void FillFileInfoRecord(const GflFileInformation& info, FileInfoRecord* record) noexcept;
