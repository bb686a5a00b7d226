// info: what the plug-in says about itself through DVP_IdentifyW.
#include <objbase.h>

#include <array>
#include <cstdio>
#include <cwchar>

#include "testbed/host/console_output.h"
#include "testbed/host/driver_commands.h"

namespace {

std::wstring Hex32(uint32_t value)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08X", value);
    return text;
}

std::wstring VersionText(uint32_t high, uint32_t low)
{
    return std::to_wstring(high >> 16) + L"." + std::to_wstring(high & 0xFFFF) + L"." +
           std::to_wstring(low >> 16) + L"." + std::to_wstring(low & 0xFFFF);
}

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[40] = {};
    if (!StringFromGUID2(guid, text, 40))
        return L"?";
    return text;
}

// The plug-in terminates what it copies; the bound guards against one that
// does not.
template <size_t N>
std::wstring BufferText(const std::array<wchar_t, N>& buffer)
{
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), N));
}

}  // namespace

ExitCode RunInfo(const dvp::PluginExports& plugin)
{
    std::wstring error;
    if (!RequireExport(plugin.IdentifyW, L"DVP_IdentifyW", error)) {
        PrintError(error);
        return ExitCode::NoPlugin;
    }
    std::array<wchar_t, 256> name{}, description{}, copyright{}, url{};
    dvp::PluginInfoRecord record{};
    record.size = sizeof(record);
    record.name = name.data();
    record.description = description.data();
    record.copyright = copyright.data();
    record.url = url.data();
    record.nameCapacity = record.descriptionCapacity = record.copyrightCapacity = record.urlCapacity =
        static_cast<uint32_t>(name.size());

    const BOOL identified = plugin.IdentifyW(&record);
    PrintLine(L"flags: " + Hex32(record.flags));
    PrintLine(L"version: " + VersionText(record.versionHigh, record.versionLow));
    PrintLine(L"name: " + BufferText(name));
    PrintLine(L"description: " + BufferText(description));
    PrintLine(L"copyright: " + BufferText(copyright));
    PrintLine(L"url: " + BufferText(url));
    PrintLine(L"guid: " + GuidText(record.pluginGuid));
    PrintLine(std::wstring(L"icon: ") + (record.icon ? L"yes" : L"no"));
    PrintLine(L"extensions: " + std::wstring(record.handledExtensions ? record.handledExtensions : L"(none)"));
    // The icon is the host's from here on.
    if (record.icon)
        DestroyIcon(record.icon);
    if (!identified) {
        PrintError(L"DVP_IdentifyW answered 0");
        return ExitCode::Failed;
    }
    return ExitCode::Ok;
}
