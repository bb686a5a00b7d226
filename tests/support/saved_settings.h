// The plug-in's settings file as a test sees it, read through the host's own
// XML services (the test program is the host), so the check does not depend
// on how the host spells the file.
#pragma once

#include <string>
#include <vector>

struct SavedSettings {
    bool loaded = false;                     // the host could load a document
    std::wstring rootName;
    std::vector<std::wstring> excluded;      // "ExcludedExtension" values, in order
    std::vector<int> useForStreams;          // every "UseQPVForStreams" value, in order
    std::vector<std::wstring> otherNodes;    // names of any other child
};

SavedSettings ReadSavedSettings(const std::wstring& path);
