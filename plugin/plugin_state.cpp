// The process-wide state and what module load and unload do to it.
#include "plugin/plugin_state.h"

#include <utility>

namespace {

// A fixed GUID of the plug-in's own, registered while the module is loaded.
constexpr wchar_t kPresenceAtomName[] = L"{6B1E3A52-0D47-4C8B-9A3E-5F2C71D9B804}";
static_assert(sizeof(kPresenceAtomName) / sizeof(wchar_t) == 39);

// Constructed by the C runtime's static initialisers before the DLL entry
// point runs, destroyed after its detach.
PluginState g_state;

}  // namespace

PluginState& State() noexcept { return g_state; }

// 0 when the atom cannot be added; nothing looks it up again.
PluginState::PluginState() noexcept : presenceAtom_(GlobalAddAtomW(kPresenceAtomName)) {}

// The presence atom is deleted either way when the state is destroyed:
// global atoms outlive the process that added them.
void PluginState::detach(bool processTerminating) noexcept
{
    if (processTerminating)
        library_.leaveForProcessExit();
}

bool PluginState::countUninit()
{
    if (initCount_ <= 0)
        return false;
    return --initCount_ == 0;
}

void PluginState::publish(const HostServices& services, std::shared_ptr<PluginSettings> settings,
                          std::unique_ptr<wchar_t[]> handledExtensions)
{
    hostServices_ = services;
    handledExtensionsOwner_ = std::move(handledExtensions);
    settingsOwner_ = std::move(settings);
    handledExtensions_.store(handledExtensionsOwner_.get(), std::memory_order_release);
    settings_.store(settingsOwner_.get(), std::memory_order_release);
}

void PluginState::release()
{
    settings_.store(nullptr, std::memory_order_release);
    handledExtensions_.store(nullptr, std::memory_order_release);
    settingsOwner_.reset();
    handledExtensionsOwner_.reset();
    hostServices_.reset();
}

SettingsFileServices PluginState::settingsFileServices() const
{
    return hostServices_ ? hostServices_->settingsFile() : SettingsFileServices{};
}
