// What a start-up built when the module goes without the final DVP_Uninit:
// the host's unload frees it; the end of the process leaves it alone, since
// the process's other threads were stopped wherever they stood, possibly
// inside it.
#include <memory>

#include "plugin/plugin_lifecycle.h"
#include "tests/support/plugin_session.h"

namespace {

using ModuleDetach = PluginSession;

TEST_F(ModuleDetach, WithoutUninitFreesTheStartedStateOnlyWhenTheHostUnloads)
{
    for (bool processEnding : {false, true}) {
        SCOPED_TRACE(processEnding ? "process ends" : "host unloads");
        auto state = std::make_unique<PluginState>();
        InitExRecord record{};
        record.hostVersionHigh = 13u << 16;
        ASSERT_TRUE(InitializePlugin(*state, &record));
        const std::weak_ptr<PluginSettings> settings = state->shareForDialog().settings;
        ASSERT_FALSE(settings.expired());

        state->detach(processEnding);
        state.reset();  // module unload destroys the state
        EXPECT_EQ(settings.expired(), !processEnding);
    }
}

}  // namespace
