// Binds HostServices from the host process's exports.
#include "plugin/host_services.h"

const std::array<const char*, HostConfigServices::kCount> HostServices::kConfigNames = {
    "GetConfigPathW", "LoadOrSaveConfigW", "GetThumbnailPrefs", "IsUSBInstall", "GetProgramDirW",
    "ThumbnailCacheControl", "GetSetWallpaperFile",
};

const std::array<const char*, HostXmlServices::kCount> HostServices::kXmlNames = {
    "XMLLoadFileW", "XMLSaveFileW", "XMLLoadData", "XMLSaveData", "XMLCreateFile", "XMLFreeFile",
    "XMLAddChildNodeW", "XMLDeleteChild", "XMLDeleteAllChildNodes", "XMLFirstChildNode",
    "XMLNextNode", "XMLFindChildNodeW", "XMLEnumChildNodesW", "XMLGetNodeNameW",
    "XMLSetNodeNameW", "XMLGetNodeValueW", "XMLSetNodeValueW", "XMLGetNodeBoolValue",
    "XMLSetNodeBoolValue", "XMLGetNodeIntValue", "XMLSetNodeIntValue", "XMLGetNodeDWORDValue",
    "XMLSetNodeDWORDValue", "XMLGetNodeDWORDLONGValue", "XMLSetNodeDWORDLONGValue",
    "XMLGetNodeLOGFONTValueW", "XMLSetNodeLOGFONTValueW", "XMLGetNodeBinaryValue",
    "XMLSetNodeBinaryValue", "XMLGetNodeAttributeW", "XMLSetNodeAttributeW",
    "XMLGetNodeBoolAttributeW", "XMLSetNodeBoolAttributeW", "XMLGetNodeIntAttributeW",
    "XMLSetNodeIntAttributeW", "XMLGetNodeDWORDAttributeW", "XMLSetNodeDWORDAttributeW",
    "XMLGetNodeDWORDLONGAttributeW", "XMLSetNodeDWORDLONGAttributeW", "XMLDeleteNodeAttributeW",
    "XMLDeleteAllNodeAttributes",
};

const std::array<const char*, HostUiServices::kCount> HostServices::kUiNames = {
    "DOpusChooseFontW", "ShowRequestDlgW", "DrawPictureFrameInDIB", "CalcCRC32",
    "CreateButtonIcons", "CreateDialogResizer", "AddDialogResizerCtl", "HandleDialogResizerMsg",
    "FreeDialogResizer", "GetGlyphSize", "DrawGlyph", "GetString", "GetAndFilterDialogTemplate",
    "GetLangDlg", "GetLangDlgEx", "CreateLangDlg", "CreateLangDlgEx", "LangDlgBox",
    "LangDlgBoxEx", "SetOpusWindowIcon", "HashInit", "HashChunk", "HashEnd", "HashFree",
    "DOLoadImage", "AllocPatternMatch", "DoPatternMatch", "FreePatternMatch", "DOpusColorPicker",
    "NumToStrBytesizeW", "NumToStrIntW", "NumToStrTimeSecsW", "NumToStrDWordW",
    "NumToStrDWordLongW", "NumToStrDoubleW", "SetWallpaperImage", "MapWallpaperStyleNameToId",
    "BumpFileNameW",
};

namespace {

// Fills one group: all null first, then every name looked up in order. The
// host module is found, not loaded: no reference is taken.
template <typename Group, typename Names>
void BindGroup(Group& group, const Names& names) noexcept
{
    group.slots.fill(nullptr);
    HMODULE host = GetModuleHandleW(L"dopus.exe");
    if (!host)
        return;
    for (size_t i = 0; i < names.size(); ++i)
        group.slots[i] = BindRawExport(host, names[i]);
}

}  // namespace

HostServices::HostServices() noexcept
{
    BindGroup(config, kConfigNames);
    BindGroup(xml, kXmlNames);
    BindGroup(ui, kUiNames);
}
