// The dialog's context: the working copy, and the services table copy it
// saves through, taken while the caller holds the init lock.
#include "settings/config_dialog_context.h"

ConfigDialogContext::ConfigDialogContext(PluginSettings& process, uint32_t generation,
                                         const HostServices* liveServices)
    : processSettings(&process),
      initGeneration(generation),
      hostServices(liveServices ? *liveServices : HostServices(HostServices::Empty{})),
      workingCopy(process)  // under the process-wide lock
{
    Lock guard(workingCopy.lock);
    workingCopy.hostServices = &hostServices;
}
