// HostServices: the host process's own exports, bound by name from the
// already loaded module "dopus.exe" into three tables of nullable slots. A
// missing export (or a process without that module) leaves its slot null; the
// caller tests the slot right before each call and treats null as a failed
// call. The table owns nothing and never changes after construction.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "plugin/bind_export.h"

// The services the plug-in calls, with the widths it relies on. Lengths are
// in wide characters; a HANDLE document is also its root element's node.
using GetProgramDirWFn = BOOL(WINAPI*)(LPWSTR buffer, UINT capacity);
using GetConfigPathWFn = BOOL(WINAPI*)(int which, LPWSTR buffer, UINT capacity);
using XmlLoadFileWFn = HANDLE(WINAPI*)(LPCWSTR path);
using XmlSaveFileWFn = BOOL(WINAPI*)(HANDLE document, LPCWSTR path);
using XmlCreateFileFn = HANDLE(WINAPI*)();
using XmlFreeFileFn = BOOL(WINAPI*)(HANDLE document);
using XmlAddChildNodeWFn = HANDLE(WINAPI*)(HANDLE parent, LPCWSTR name);
using XmlFirstChildNodeFn = HANDLE(WINAPI*)(HANDLE node);
using XmlNextNodeFn = HANDLE(WINAPI*)(HANDLE node);
using XmlGetNodeNameWFn = BOOL(WINAPI*)(HANDLE node, LPWSTR buffer, int* capacity);
using XmlSetNodeNameWFn = BOOL(WINAPI*)(HANDLE node, LPCWSTR name);
// With a null buffer, stores the length the text needs, terminator included.
using XmlGetNodeValueWFn = BOOL(WINAPI*)(HANDLE node, LPWSTR buffer, int* capacity);
using XmlSetNodeValueWFn = BOOL(WINAPI*)(HANDLE node, LPCWSTR text);
using XmlGetNodeBoolValueFn = BOOL(WINAPI*)(HANDLE node, BOOL* value);
using XmlSetNodeBoolValueFn = BOOL(WINAPI*)(HANDLE node, BOOL value);

enum class HostConfig : size_t {
    GetConfigPathW, LoadOrSaveConfigW, GetThumbnailPrefs, IsUSBInstall, GetProgramDirW,
    ThumbnailCacheControl, GetSetWallpaperFile, Count
};

enum class HostXml : size_t {
    XMLLoadFileW, XMLSaveFileW, XMLLoadData, XMLSaveData, XMLCreateFile, XMLFreeFile,
    XMLAddChildNodeW, XMLDeleteChild, XMLDeleteAllChildNodes, XMLFirstChildNode, XMLNextNode,
    XMLFindChildNodeW, XMLEnumChildNodesW, XMLGetNodeNameW, XMLSetNodeNameW, XMLGetNodeValueW,
    XMLSetNodeValueW, XMLGetNodeBoolValue, XMLSetNodeBoolValue, XMLGetNodeIntValue,
    XMLSetNodeIntValue, XMLGetNodeDWORDValue, XMLSetNodeDWORDValue, XMLGetNodeDWORDLONGValue,
    XMLSetNodeDWORDLONGValue, XMLGetNodeLOGFONTValueW, XMLSetNodeLOGFONTValueW,
    XMLGetNodeBinaryValue, XMLSetNodeBinaryValue, XMLGetNodeAttributeW, XMLSetNodeAttributeW,
    XMLGetNodeBoolAttributeW, XMLSetNodeBoolAttributeW, XMLGetNodeIntAttributeW,
    XMLSetNodeIntAttributeW, XMLGetNodeDWORDAttributeW, XMLSetNodeDWORDAttributeW,
    XMLGetNodeDWORDLONGAttributeW, XMLSetNodeDWORDLONGAttributeW, XMLDeleteNodeAttributeW,
    XMLDeleteAllNodeAttributes, Count
};

enum class HostUi : size_t {
    DOpusChooseFontW, ShowRequestDlgW, DrawPictureFrameInDIB, CalcCRC32, CreateButtonIcons,
    CreateDialogResizer, AddDialogResizerCtl, HandleDialogResizerMsg, FreeDialogResizer,
    GetGlyphSize, DrawGlyph, GetString, GetAndFilterDialogTemplate, GetLangDlg, GetLangDlgEx,
    CreateLangDlg, CreateLangDlgEx, LangDlgBox, LangDlgBoxEx, SetOpusWindowIcon, HashInit,
    HashChunk, HashEnd, HashFree, DOLoadImage, AllocPatternMatch, DoPatternMatch,
    FreePatternMatch, DOpusColorPicker, NumToStrBytesizeW, NumToStrIntW, NumToStrTimeSecsW,
    NumToStrDWordW, NumToStrDWordLongW, NumToStrDoubleW, SetWallpaperImage,
    MapWallpaperStyleNameToId, BumpFileNameW, Count
};

// One group of slots, indexed by its enum, filled in the enum's order.
template <typename Slot>
struct HostServiceGroup {
    static constexpr size_t kCount = static_cast<size_t>(Slot::Count);
    std::array<RawProc, kCount> slots{};

    RawProc& operator[](Slot slot) noexcept { return slots[static_cast<size_t>(slot)]; }
    RawProc operator[](Slot slot) const noexcept { return slots[static_cast<size_t>(slot)]; }
    template <typename Fn>
    Fn get(Slot slot) const noexcept { return CastExport<Fn>((*this)[slot]); }
};

using HostConfigServices = HostServiceGroup<HostConfig>;
using HostXmlServices = HostServiceGroup<HostXml>;
using HostUiServices = HostServiceGroup<HostUi>;

struct HostServices {
    HostConfigServices config;
    HostXmlServices xml;
    HostUiServices ui;

    // Binds every slot from the loaded "dopus.exe", in the order config,
    // XML, UI. Never fails.
    HostServices() noexcept;
    // An all-null table, for tests that fill slots themselves.
    struct Empty {};
    explicit HostServices(Empty) noexcept {}

    // The export names, in slot order.
    static const std::array<const char*, HostConfigServices::kCount> kConfigNames;
    static const std::array<const char*, HostXmlServices::kCount> kXmlNames;
    static const std::array<const char*, HostUiServices::kCount> kUiNames;
};
