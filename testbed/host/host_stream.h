// The stream the stand-in host hands the plug-in: an IStream over a copy of
// some bytes, reference counted as COM wants (the last Release frees it),
// answering Read, Seek and Stat and refusing every other method. It keeps
// the contract unless told otherwise, in two ways that may be combined:
// faults a test switches on (the members below, set before the stream is
// handed over), and the seeded misbehaviour mode, in which every answer may
// deviate under a scenario of the stream's own whose kinds count with the
// host services' (host_testbed_control.h). It counts the faults it
// injected, scripted or drawn, so a test can tell whether a call met one.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "testbed/host/host_deviation.h"
#include "win32/critical_section.h"
#include "win32/thread_annotations.h"
#include "win32/unique_handle.h"

class HostStream final : public IStream {
public:
    // A stream holding one reference, which the caller owns; null when out
    // of memory. A non-zero rate starts the misbehaviour mode: each answer
    // deviates with probability ratePerMille/1000, drawn from a hash of
    // (seed, kind, that kind's call number on this stream), so one seed
    // replays the same answers for the same sequence of calls.
    static HostStream* Create(std::vector<uint8_t> bytes, uint64_t seed = 0, uint32_t ratePerMille = 0) noexcept;

    // Read fails with readFailure once it would move past this offset; the
    // bytes before it are still delivered.
    uint64_t readFailsAt = UINT64_MAX;
    HRESULT readFailure = STG_E_READFAULT;
    // Read delivers half of what was asked (at least one byte) and says S_OK.
    bool shortReads = false;
    // Read reports one byte more than it delivered.
    bool overReportedReads = false;
    // Read delivers everything and answers this instead of S_OK.
    HRESULT resultOfFullReads = S_OK;
    // Seek fails on this call (1 = first), or on every call when negative.
    int seekFailsOnCall = 0;
    // The end (Seek from STREAM_SEEK_END) lies this many bytes beyond the
    // real one: the last read comes up short.
    uint64_t phantomTail = 0;

    int faults() const noexcept { return faults_.load(); }
    LONG references() const noexcept { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* done) override;
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override;

private:
    explicit HostStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    ~HostStream() = default;
    testbed::Drawn Draw(HostDeviation kind) noexcept { return DeviateStream(scenario_, kind); }
    HRESULT Fault(HRESULT result) noexcept
    {
        ++faults_;
        return result;
    }

    CriticalSection lock_;  // the host may call from any thread
    std::vector<uint8_t> bytes_;
    uint64_t position_ GUARDED_BY(lock_) = 0;  // may lie beyond the end, as a seek may put it
    int seekCalls_ GUARDED_BY(lock_) = 0;
    HostDeviationScenario scenario_;
    std::atomic<int> faults_{0};
    LONG references_ = 1;
};

inline void ReleaseHostStream(HostStream* stream) noexcept { stream->Release(); }
// Owns one reference.
using UniqueHostStream = UniqueHandle<HostStream*, &ReleaseHostStream>;
