// ThePlugin() for the programs that link the plug-in's code: the table is
// filled from the linked-in exports, and the program's own module stands
// for the DLL (it carries the DLL's resources and is attached as the DLL's
// entry point would attach it). Each export is checked at compile time
// against the host's view: a record pointer must point to a record of the
// same layout, every other argument and the result must be of the same type.
#include <type_traits>

#include "plugin/plugin_exports.h"
#include "plugin/plugin_state.h"
#include "tests/support/plugin_under_test.h"
#include "win32/bind_export.h"

namespace {

// The host's view of one of the plug-in's argument or result types: a
// record pointer becomes a pointer to the host's record of the same size.
template <typename T>
struct HostView {
    using type = T;
};
#define SAME_RECORD(Record)                                      \
    static_assert(sizeof(Record) == sizeof(dvp::Record));        \
    template <>                                                  \
    struct HostView<Record*> {                                   \
        using type = dvp::Record*;                               \
    };
#define SAME_FIELD(Record, field)                                            \
    static_assert(offsetof(Record, field) == offsetof(dvp::Record, field) && \
                  sizeof(Record::field) == sizeof(dvp::Record::field));

SAME_RECORD(InitExRecord)
SAME_FIELD(InitExRecord, hostVersionHigh)
SAME_FIELD(InitExRecord, hostVersionLow)
SAME_RECORD(UsbSafeRecord)
SAME_FIELD(UsbSafeRecord, otherExports)
SAME_RECORD(PluginInfoRecord)
SAME_FIELD(PluginInfoRecord, size)
SAME_FIELD(PluginInfoRecord, flags)
SAME_FIELD(PluginInfoRecord, versionHigh)
SAME_FIELD(PluginInfoRecord, versionLow)
SAME_FIELD(PluginInfoRecord, handledExtensions)
SAME_FIELD(PluginInfoRecord, name)
SAME_FIELD(PluginInfoRecord, description)
SAME_FIELD(PluginInfoRecord, copyright)
SAME_FIELD(PluginInfoRecord, url)
SAME_FIELD(PluginInfoRecord, nameCapacity)
SAME_FIELD(PluginInfoRecord, descriptionCapacity)
SAME_FIELD(PluginInfoRecord, copyrightCapacity)
SAME_FIELD(PluginInfoRecord, urlCapacity)
SAME_FIELD(PluginInfoRecord, pluginGuid)
SAME_FIELD(PluginInfoRecord, icon)
SAME_RECORD(FileInfoRecord)
SAME_FIELD(FileInfoRecord, flags)
SAME_FIELD(FileInfoRecord, cleared8)
SAME_FIELD(FileInfoRecord, cleared10)
SAME_FIELD(FileInfoRecord, width)
SAME_FIELD(FileInfoRecord, height)
SAME_FIELD(FileInfoRecord, bitsPerPixel)
SAME_FIELD(FileInfoRecord, description)
SAME_FIELD(FileInfoRecord, descriptionCapacity)
SAME_FIELD(FileInfoRecord, xResolution)
SAME_FIELD(FileInfoRecord, yResolution)
static_assert(kFileInfoHasTransparency == dvp::kFileInfoHasTransparency);

#undef SAME_FIELD
#undef SAME_RECORD

template <typename Export>
struct HostViewOf;
template <typename Result, typename... Arguments>
struct HostViewOf<Result(WINAPI*)(Arguments...) noexcept> {
    using type = typename HostView<Result>::type(WINAPI*)(typename HostView<Arguments>::type...);
};

template <typename Slot, typename Export>
Slot Linked(Export function) noexcept
{
    static_assert(std::is_same_v<Slot, typename HostViewOf<Export>::type>,
                  "the plug-in's export and the host's view of it disagree");
    return CastExport<Slot>(reinterpret_cast<RawProc>(function));
}

}  // namespace

const PluginUnderTest& ThePlugin()
{
    static const PluginUnderTest plugin = [] {
        HMODULE self = GetModuleHandleW(nullptr);
        // What process attach does for the DLL: the init lock and the module.
        State().attach(self);
        PluginUnderTest linked;
        linked.module = self;
#define LINK_PLUGIN_EXPORT(slot) linked.exports.slot = Linked<decltype(linked.exports.slot)>(&DVP_##slot);
        DVP_PLUGIN_EXPORTS(LINK_PLUGIN_EXPORT)
#undef LINK_PLUGIN_EXPORT
        return linked;
    }();
    return plugin;
}
