// Reads an extended dialog template (DLGTEMPLATEEX with its
// DLGITEMTEMPLATEEX records) back from a module's resources, so a test can
// check what the resource compiler actually put into the built DLL.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;
    std::wstring className;  // predefined classes by name, lower case ("button")
    std::wstring text;
};

struct DialogTemplate {
    bool valid = false;  // found, extended, and parsed to its end
    DWORD style = 0;
    DWORD exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title;
    uint16_t pointSize = 0;
    uint16_t weight = 0;
    uint8_t italic = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

DialogTemplate ReadDialogTemplate(HMODULE module, int resourceId, LANGID language);
