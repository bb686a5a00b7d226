// The plug-in's settings file as tests write and read it: written as bytes,
// so a test may put anything in it; read through the host's own XML services
// (the test program is the host), so a check does not depend on how the host
// spells the file.
#pragma once

#include <string>
#include <vector>

// One ExcludedExtension element holding the value's bytes as given.
std::string SettingsEntry(const std::string& value);
// The stream switch's element, "true" or "false".
std::string SettingsSwitch(bool useForStreams);
// The exclusions in order, as UTF-8, then the stream switch.
std::string SettingsChildren(const std::vector<std::wstring>& excluded, bool useForStreams);
// A settings file's bytes: the declaration and a root (DVP_QPV unless
// given) holding the children as written.
std::string SettingsDocument(const std::string& children, const std::string& root = "DVP_QPV");

struct SavedSettings {
    bool loaded = false;                     // the host could load a document
    std::wstring rootName;
    std::vector<std::wstring> excluded;      // "ExcludedExtension" values, in order
    std::vector<int> useForStreams;          // every "UseQPVForStreams" value, in order
    std::vector<std::wstring> otherNodes;    // names of any other child
    std::vector<std::wstring> children;      // every child's name, in order
};

SavedSettings ReadSavedSettings(const std::wstring& path);
