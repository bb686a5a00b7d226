// The stand-in host's bookkeeping of its own exports: one id per service,
// calls counted per service, and failures injected per service. Every export
// (stub or not) reports each call here first. Free of <windows.h> so that the
// stubs' translation unit declares nothing that could clash with the
// platform's headers.
#pragma once

#include <cstddef>

enum class ServiceId : size_t {
#define HOST_SERVICE(name, kind) name,
#include "testbed/host/host_service_list.inc"
#undef HOST_SERVICE
    Count
};

inline constexpr size_t kServiceCount = static_cast<size_t>(ServiceId::Count);

// Counts one call of the service and answers whether the test bed wants this
// call to fail. A failing call returns its failure result and does nothing
// else.
bool BeginServiceCall(ServiceId service) noexcept;

// Every service back to no calls, no failures and no hooks.
void ResetServiceRecords() noexcept;
