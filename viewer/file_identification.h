// Identification of files and streams: the user's exclusions first, then the
// library's own format detection, then the host's FileInfoRecord. A refusal
// leaves the record untouched; the record is written only after the library
// answered.
#pragma once

#include <objidl.h>

#include <cstddef>

#include "imagelib/gfl_library.h"
#include "settings/plugin_settings.h"
#include "viewer/file_info_record.h"

// True when the file is one the library reads and the name is not excluded;
// the record is then filled. A null or empty path skips the exclusion test
// (and a null path is refused by the library step).
bool IdentifyFile(const GflLibrary& library, const PluginSettings& settings, const wchar_t* path,
                  FileInfoRecord& record) noexcept;

// As IdentifyFile for a host stream, read through the stream callbacks from
// wherever it stands; refused at once when the settings decline streams.
// The name serves only the exclusion test.
bool IdentifyStream(const GflLibrary& library, const PluginSettings& settings, IStream* stream, const wchar_t* name,
                    FileInfoRecord& record) noexcept;

// True when the name (length >= 1) ends in one of the settings' excluded
// extensions, A-Z and a-z compared without case, everything else exactly.
// The list is copied out under the settings lock and matched outside it;
// running out of memory for the copy throws std::bad_alloc.
bool IsExcludedName(const wchar_t* name, size_t length, const PluginSettings& settings);

// Fills the host's record from the library's file information.
void FillFileInfoRecord(const GflFileInformation& info, FileInfoRecord* record) noexcept;
