// The process-wide state and what module load and unload do to it.
#include "plugin/plugin_state.h"

#include <memory>
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
    processTerminating_ = processTerminating;
    if (processTerminating)
        library_.leaveForProcessExit();
}

// A host that unloads the plug-in without its final DVP_Uninit gets what the
// start-up built freed here. When the process ends, the other threads were
// stopped wherever they stood, possibly inside these objects: what the
// process takes down with it is left alone.
PluginState::~PluginState()
{
    if (processTerminating_)
        (void)started_.release();  // the dialog's share then only drops a count
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
    auto started = std::make_unique<Started>(Started{services, std::move(settings), std::move(handledExtensions)});
    {
        Lock lock(shareLock_);
        dialogShare_ = DialogShare{started->settings, services.settingsFile()};
    }
    started_ = std::move(started);
    handledExtensions_.store(started_->handledExtensions.get(), std::memory_order_release);
    settings_.store(started_->settings.get(), std::memory_order_release);
}

void PluginState::release()
{
    settings_.store(nullptr, std::memory_order_release);
    handledExtensions_.store(nullptr, std::memory_order_release);
    DialogShare share;
    {
        Lock lock(shareLock_);
        std::swap(share, dialogShare_);
    }
    started_.reset();
}

DialogShare PluginState::shareForDialog() const
{
    Lock lock(shareLock_);
    return dialogShare_;
}
