// Binds HostServices from the host process's exports.
#include "plugin/host_services.h"

#include <string_view>

namespace {

// The three groups keep their sizes: 7 config, 41 XML and 38 UI services.
constexpr size_t GroupSize(std::string_view wanted) noexcept
{
    size_t count = 0;
#define HOST_SERVICE(group, name) count += std::string_view(#group) == wanted ? 1 : 0;
#include "plugin/host_service_list.inc"
#undef HOST_SERVICE
    return count;
}
static_assert(GroupSize("Config") == 7 && GroupSize("Xml") == 41 && GroupSize("Ui") == 38);

}  // namespace

// The host module is found, not loaded: no reference is taken.
HostServices HostServices::Bind() noexcept
{
    HostServices services;
    HMODULE host = GetModuleHandleW(L"dopus.exe");
    if (!host)
        return services;
    for (size_t i = 0; i < kHostServiceCount; ++i)
        services.slots[i] = BindRawExport(host, kHostServiceNames[i]);
    return services;
}

SettingsFileServices HostServices::settingsFile() const noexcept
{
    SettingsFileServices view;
#define SETTINGS_SERVICE(name) view.name = get<decltype(view.name)>(HostService::name);
    SETTINGS_SERVICE(GetConfigPathW)
    SETTINGS_SERVICE(XMLLoadFileW)
    SETTINGS_SERVICE(XMLSaveFileW)
    SETTINGS_SERVICE(XMLCreateFile)
    SETTINGS_SERVICE(XMLFreeFile)
    SETTINGS_SERVICE(XMLAddChildNodeW)
    SETTINGS_SERVICE(XMLFirstChildNode)
    SETTINGS_SERVICE(XMLNextNode)
    SETTINGS_SERVICE(XMLGetNodeNameW)
    SETTINGS_SERVICE(XMLSetNodeNameW)
    SETTINGS_SERVICE(XMLGetNodeValueW)
    SETTINGS_SERVICE(XMLSetNodeValueW)
    SETTINGS_SERVICE(XMLGetNodeBoolValue)
    SETTINGS_SERVICE(XMLSetNodeBoolValue)
#undef SETTINGS_SERVICE
    return view;
}
