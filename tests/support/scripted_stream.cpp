#include "tests/support/scripted_stream.h"

#include <algorithm>
#include <cstring>

HRESULT ScriptedStream::Read(void* buffer, ULONG wanted, ULONG* done)
{
    HRESULT result = S_OK;
    const uint64_t available = position < bytes_.size() ? bytes_.size() - position : 0;
    uint64_t count = std::min<uint64_t>(wanted, available);
    if (position + count > readFailsAt) {
        count = readFailsAt > position ? readFailsAt - position : 0;
        result = readFailure;
        ++faults;
    } else if (shortReads && count > 0) {
        count = std::max<uint64_t>(1, count / 2);
        ++faults;
    } else if (count < wanted) {
        result = S_FALSE;
        if (phantomTail)
            ++faults;  // the end the stream reported is not there
    } else if (resultOfFullReads != S_OK) {
        result = resultOfFullReads;
        ++faults;
    }
    if (count)
        memcpy(buffer, bytes_.data() + position, static_cast<size_t>(count));
    position += count;
    ULONG delivered = static_cast<ULONG>(count);
    if (overReportedReads && result == S_OK) {
        delivered = wanted + 1;
        ++faults;
    }
    if (done)
        *done = delivered;
    return result;
}

HRESULT ScriptedStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    ++seekCalls_;
    lastDisplacement = move.QuadPart;
    lastOrigin = origin;
    if (seekFailsOnCall < 0 || seekFailsOnCall == seekCalls_) {
        ++faults;
        return STG_E_INVALIDFUNCTION;
    }
    const int64_t end = static_cast<int64_t>(bytes_.size() + phantomTail);
    const int64_t current = static_cast<int64_t>(position);
    const int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? current : end;
    if (origin > STREAM_SEEK_END || base + move.QuadPart < 0)
        return STG_E_INVALIDFUNCTION;
    position = static_cast<uint64_t>(base + move.QuadPart);
    if (newPosition)
        newPosition->QuadPart = position;
    return S_OK;
}

HRESULT ScriptedStream::Stat(STATSTG* stat, DWORD)
{
    if (!stat)
        return E_POINTER;
    *stat = {};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
}
