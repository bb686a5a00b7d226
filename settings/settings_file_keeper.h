// The one rule that keeps the user's settings file: a save never replaces a
// non-empty file whose bytes this process has not itself read in whole, or
// had the host write since, unless those bytes are first kept in a copy
// beside it. The host's services cannot tell a damaged file from a sound one
// they failed to read, nor a file another process wrote from the one read at
// start-up; the bytes can.
//
// The copies: "DVP_QPV.oxc.bak" takes the first such file and is never
// replaced; later files of other bytes go to "DVP_QPV.oxc.latest.bak", the
// newest replacing the one before. Bytes that either copy already holds make
// no new copy.
//
// The known bytes are process-wide, under a lock of their own that is taken
// after any settings lock and around no host call. The settings persistence
// is the only caller.
#pragma once

#include <string>

// The file at path holds the bytes the plug-in just read in whole, or that
// the host just wrote: a save may replace them without a copy. Bytes that
// cannot be read now leave nothing known, so the next save keeps a copy.
void RememberSettingsFileBytes(const std::wstring& path) noexcept;

// Called right before the host replaces the file at path. True when it may:
// the file is missing or empty, holds the bytes remembered for path, or its
// bytes are now in a copy beside it. False when they could not be read or
// kept (no memory, the disk refuses, the names are taken by folders): the
// save must not go ahead.
bool KeepUnknownBytesBeforeReplacing(const std::wstring& path) noexcept;
