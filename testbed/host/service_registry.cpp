// Call counts and injected failures per service, and the control functions
// that read and steer them. One lock guards all of it: the plug-in may call
// the host from any thread.
#include "testbed/host/service_registry.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>

#include "win32/critical_section.h"
#include "testbed/host/host_testbed_control.h"

namespace {

constexpr std::array<const char*, kServiceCount> kServiceNames = {
#define HOST_SERVICE(name, kind) #name,
#include "testbed/host/host_service_list.inc"
#undef HOST_SERVICE
};

#define HOST_SERVICE_IS_STUB_STUB true
#define HOST_SERVICE_IS_STUB_IMPLEMENTED false
constexpr std::array<bool, kServiceCount> kIsStub = {
#define HOST_SERVICE(name, kind) HOST_SERVICE_IS_STUB_##kind,
#include "testbed/host/host_service_list.inc"
#undef HOST_SERVICE
};

struct ServiceRecord {
    int calls = 0;
    bool failAlways = false;
    int failOnCall = 0;  // the call number (counted from 1) that fails once; 0 = none
    std::function<void()> hook;  // runs once, at the start of the next call
};

struct Registry {
    CriticalSection lock;
    std::array<ServiceRecord, kServiceCount> services{};
};

Registry& GetRegistry() noexcept
{
    static Registry registry;
    return registry;
}

std::optional<size_t> FindService(const char* name) noexcept
{
    if (!name)
        return std::nullopt;
    for (size_t i = 0; i < kServiceCount; ++i) {
        if (std::strcmp(kServiceNames[i], name) == 0)
            return i;
    }
    return std::nullopt;
}

}  // namespace

bool BeginServiceCall(ServiceId service) noexcept
{
    Registry& registry = GetRegistry();
    std::function<void()> hook;
    bool fail = false;
    {
        Lock lock(registry.lock);
        ServiceRecord& record = registry.services[static_cast<size_t>(service)];
        ++record.calls;
        hook.swap(record.hook);
        fail = record.failAlways || (record.failOnCall != 0 && record.calls == record.failOnCall);
        if (fail && !record.failAlways)
            record.failOnCall = 0;
    }
    // Outside the lock: the hook may call any service, or wait for a test.
    if (hook)
        hook();
    return fail;
}

bool HostTestbedFailService(const char* serviceName, int nthCall)
{
    const std::optional<size_t> index = FindService(serviceName);
    if (!index || nthCall < 0)
        return false;
    Registry& registry = GetRegistry();
    Lock lock(registry.lock);
    ServiceRecord& record = registry.services[*index];
    record.failAlways = nthCall == 0;
    record.failOnCall = nthCall == 0 ? 0 : record.calls + nthCall;
    return true;
}

bool HostTestbedStopFailing(const char* serviceName)
{
    const std::optional<size_t> index = FindService(serviceName);
    if (!index)
        return false;
    Registry& registry = GetRegistry();
    Lock lock(registry.lock);
    registry.services[*index].failAlways = false;
    registry.services[*index].failOnCall = 0;
    return true;
}

bool HostTestbedHookService(const char* serviceName, std::function<void()> hook)
{
    const std::optional<size_t> index = FindService(serviceName);
    if (!index)
        return false;
    Registry& registry = GetRegistry();
    Lock lock(registry.lock);
    registry.services[*index].hook = std::move(hook);
    return true;
}

int HostTestbedCallCount(const char* serviceName)
{
    const std::optional<size_t> index = FindService(serviceName);
    if (!index)
        return -1;
    Registry& registry = GetRegistry();
    Lock lock(registry.lock);
    return registry.services[*index].calls;
}

int HostTestbedStubCallCount()
{
    Registry& registry = GetRegistry();
    Lock lock(registry.lock);
    int total = 0;
    for (size_t i = 0; i < kServiceCount; ++i) {
        if (kIsStub[i])
            total += registry.services[i].calls;
    }
    return total;
}

void ResetServiceRecords() noexcept
{
    Registry& registry = GetRegistry();
    Lock lock(registry.lock);
    for (ServiceRecord& record : registry.services)
        record = ServiceRecord{};
}
