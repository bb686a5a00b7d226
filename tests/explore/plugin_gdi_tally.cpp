#include "tests/explore/plugin_gdi_tally.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<int64_t> memoryDcs{0}, windowDcs{0}, sections{0};

HDC WINAPI CountedCreateCompatibleDC(HDC dc)
{
    HDC made = CreateCompatibleDC(dc);
    if (made)
        memoryDcs.fetch_add(1);
    return made;
}

BOOL WINAPI CountedDeleteDC(HDC dc)
{
    const BOOL deleted = DeleteDC(dc);
    if (deleted)
        memoryDcs.fetch_sub(1);
    return deleted;
}

HDC WINAPI CountedGetDC(HWND window)
{
    HDC dc = GetDC(window);
    if (dc)
        windowDcs.fetch_add(1);
    return dc;
}

int WINAPI CountedReleaseDC(HWND window, HDC dc)
{
    const int released = ReleaseDC(window, dc);
    if (released)
        windowDcs.fetch_sub(1);
    return released;
}

HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE mapping,
                                       DWORD offset)
{
    HBITMAP made = CreateDIBSection(dc, info, usage, bits, mapping, offset);
    if (made)
        sections.fetch_add(1);
    return made;
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object)
{
    const bool section = GetObjectType(object) == OBJ_BITMAP;
    const BOOL deleted = DeleteObject(object);
    if (deleted && section)
        sections.fetch_sub(1);
    return deleted;
}

struct Wrapper {
    const char* name;
    void* wrapper;
};

const Wrapper kWrappers[] = {
    {"CreateCompatibleDC", reinterpret_cast<void*>(&CountedCreateCompatibleDC)},
    {"DeleteDC", reinterpret_cast<void*>(&CountedDeleteDC)},
    {"GetDC", reinterpret_cast<void*>(&CountedGetDC)},
    {"ReleaseDC", reinterpret_cast<void*>(&CountedReleaseDC)},
    {"CreateDIBSection", reinterpret_cast<void*>(&CountedCreateDIBSection)},
    {"DeleteObject", reinterpret_cast<void*>(&CountedDeleteObject)},
};

}  // namespace

bool TallyPluginGdi(HMODULE plugin)
{
    auto* base = reinterpret_cast<uint8_t*>(plugin);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return false;
    size_t patched = 0;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        const DWORD names = import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk;
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + names);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            for (const Wrapper& wrapper : kWrappers) {
                if (strcmp(reinterpret_cast<const char*>(byName->Name), wrapper.name) != 0)
                    continue;
                DWORD protection = 0;
                VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection);
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper.wrapper);
                VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
                ++patched;
            }
        }
    }
    return patched >= 4;  // the two DC pairs at least; the plug-in may import the rest through other names
}

void NoteSectionHandedOver(HBITMAP section)
{
    if (section)
        sections.fetch_sub(1);
}

PluginGdiOutstanding OutstandingPluginGdi()
{
    PluginGdiOutstanding outstanding;
    outstanding.memoryDcs = memoryDcs.load();
    outstanding.windowDcs = windowDcs.load();
    outstanding.sections = sections.load();
    return outstanding;
}

void ResetPluginGdiTally()
{
    memoryDcs.store(0);
    windowDcs.store(0);
    sections.store(0);
}
