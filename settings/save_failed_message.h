// The one message the plug-in shows: a save that failed, after Apply or OK.
// Its texts are written here once, for the dialog and for whoever waits
// for the message.
#pragma once

inline constexpr wchar_t kMessageCaption[] = L"DOpus Pictorama Plugin";
inline constexpr wchar_t kSaveFailedText[] = L"ERROR: Could not save config!";
