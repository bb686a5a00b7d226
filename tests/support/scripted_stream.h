// A host stream whose faults a test chooses: an IStream over bytes in
// memory that can fail or misreport reads and seeks. Counts every fault it
// injected, so a test can tell a call that met one, and records the last
// seek it was asked for. The test owns the object; its reference count only
// tells whether the code under test balanced what it took.
#pragma once

#include <objidl.h>

#include <cstdint>
#include <vector>

#include "testbed/host/read_seek_stream.h"

class ScriptedStream final : public ReadSeekStream {
public:
    explicit ScriptedStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    // Read fails with readFailure once it would move past this offset; the
    // bytes before it are still delivered.
    size_t readFailsAt = SIZE_MAX;
    HRESULT readFailure = STG_E_READFAULT;
    // Seek fails on this call (1 = first), or on every call when negative.
    int seekFailsOnCall = 0;
    // Read delivers half of what was asked (at least one byte) and says S_OK.
    bool shortReads = false;
    // Read delivers everything but reports one byte more than it was asked.
    bool overReportedReads = false;
    // Read delivers everything and answers this instead of S_OK.
    HRESULT resultOfFullReads = S_OK;
    // Seek to the end reports this many bytes beyond the real end.
    uint64_t phantomTail = 0;

    uint64_t position = 0;  // may be set beyond the end, as a seek may
    int faults = 0;
    LONGLONG lastDisplacement = 0;
    DWORD lastOrigin = 0;
    LONG references() const { return references_; }

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&references_); }
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* done) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override;


private:
    std::vector<uint8_t> bytes_;
    int seekCalls_ = 0;
    LONG references_ = 1;
};
