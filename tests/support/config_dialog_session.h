// The configuration dialog driven on the test's thread as a host runs it:
// DVP_Configure, real clicks and notifications to its controls, the host's
// message loop until the quit message. The process-wide settings are
// observed through identification (an excluded extension is refused, a
// stream is declined when the switch is off) and the saved file through the
// host's own XML services.
#pragma once

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "resources/config_dialog_ids.h"
#include "settings/save_failed_message.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/plugin_session.h"
#include "tests/support/saved_settings.h"

// The dialog's numbers, read from the resource script's own header.
inline constexpr int kTemplateId = IDD_CONFIG_DIALOG;
inline constexpr int kDefaults = IDC_DEFAULTS;
inline constexpr int kApply = IDC_APPLY;
inline constexpr int kList = IDC_EXTENSION_LIST;
inline constexpr int kAdd = IDC_ADD;
inline constexpr int kRemove = IDC_REMOVE;
inline constexpr int kEdit = IDC_EXTENSION_EDIT;
inline constexpr int kStreams = IDC_USE_FOR_STREAMS;

// The 68 extensions the plug-in excludes by default, from its own list.
extern const std::set<std::wstring> kDefaultExclusions;

std::set<std::wstring> AsSet(const std::vector<std::wstring>& items);

class ConfigDialog : public PluginSession {
protected:
    HWND dialog = nullptr;

    void TearDown() override;

    void Open(HWND parent = nullptr);
    // The host's side of closing: run the loop to the quit message, then
    // destroy the window.
    void ExpectClosed();

    std::vector<std::wstring> Items() { return ListItems(dialog, kList); }
    void SelectExtensions(std::initializer_list<const wchar_t*> extensions);

    SavedSettings Saved() { return ReadSavedSettings(SettingsFile()); }
    int Saves();

    // Whether the running plug-in serves a file with this extension (a TBIM
    // image, which the stand-in library reads whatever its name), and a
    // host stream.
    bool Serves(const wchar_t* extension);
    bool ServesStreams();
};
