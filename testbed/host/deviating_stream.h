// A host stream whose every IStream answer may deviate under a scenario of
// its own: an IStream over bytes in memory, reference counted as COM wants,
// made by HostTestbedCreateDeviatingStream. Only Read, Seek and Stat do
// anything (read_seek_stream.h); the plug-in calls only Read and Seek.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

#include "testbed/host/host_deviation.h"
#include "testbed/host/read_seek_stream.h"
#include "win32/critical_section.h"

class DeviatingStream final : public ReadSeekStream {
public:
    DeviatingStream(std::vector<uint8_t> bytes, uint64_t seed, uint32_t ratePerMille);

    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* done) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;

private:
    ~DeviatingStream() = default;

    CriticalSection lock_;  // guards position_ (the host may read from any thread)
    std::vector<uint8_t> bytes_;
    uint64_t position_ = 0;  // may lie beyond the end, as a seek may put it
    HostDeviationScenario scenario_;
    LONG references_ = 1;
};
