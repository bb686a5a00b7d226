// The services the plug-in binds but never calls: each is exported so the
// plug-in's table fills completely, counts its call, does nothing and answers
// 0. One definition fits every signature: on x64 the caller owns its
// arguments, and 0 in the return register reads as FALSE, 0 or null.
// Deliberately without <windows.h>, so that nothing the platform declares
// can clash with these names and their placeholder signature.
#include <cstdint>

#include "testbed/host/service_registry.h"

static_assert(sizeof(void*) == 8, "the shared stub signature relies on the x64 calling convention");

#define HOST_SERVICE_IMPLEMENTED(name)
#define HOST_SERVICE_STUB(name)                   \
    extern "C" intptr_t name()                    \
    {                                             \
        BeginServiceCall(ServiceId::name);        \
        return 0;                                 \
    }
#define HOST_SERVICE(name, kind) HOST_SERVICE_##kind(name)
#include "testbed/host/host_service_list.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_STUB
#undef HOST_SERVICE_IMPLEMENTED
