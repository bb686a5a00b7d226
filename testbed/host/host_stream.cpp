// Every Read and Seek considers each of its deviation kinds once, in a fixed
// order, before it acts, so the draws of a call depend only on the stream's
// scenario and how many calls came before, whatever the test switched on.
// Whatever a fault reports, the stream itself never reads or writes outside
// its bytes and the caller's buffer.
#include "testbed/host/host_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

HostStream* HostStream::Create(std::vector<uint8_t> bytes, uint64_t seed, uint32_t ratePerMille) noexcept
{
    HostStream* stream = new (std::nothrow) HostStream(std::move(bytes));
    if (stream && ratePerMille != 0)
        stream->scenario_.Start(seed, ratePerMille);
    return stream;
}

HRESULT HostStream::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG HostStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG HostStream::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT HostStream::Read(void* buffer, ULONG wanted, ULONG* done)
{
    const testbed::Drawn fails = Draw(HostDeviation::ReadFails);
    const testbed::Drawn shortRead = Draw(HostDeviation::ReadShort);
    const testbed::Drawn sFalse = Draw(HostDeviation::ReadSFalse);
    const testbed::Drawn over = Draw(HostDeviation::ReadOverReported);
    const testbed::Drawn under = Draw(HostDeviation::ReadUnderReported);
    if (done)
        *done = 0;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    if (fails)
        return Fault(STG_E_READFAULT);

    Lock lock(lock_);
    const uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    uint64_t count = std::min<uint64_t>(wanted, available);
    HRESULT result = count < wanted ? S_FALSE : S_OK;
    if (position_ + count > readFailsAt) {
        count = readFailsAt > position_ ? readFailsAt - position_ : 0;
        result = Fault(readFailure);
    } else if (count > 0 && (shortReads || shortRead)) {
        // Fewer than asked (a drawn one possibly none); a scripted one says S_OK all the same.
        count = shortReads ? std::max<uint64_t>(1, count / 2) : shortRead.Pick(count);
        result = Fault(shortReads ? S_OK : S_FALSE);
    } else if (result == S_FALSE && phantomTail != 0) {
        Fault(S_FALSE);  // the end Seek reported is not there
    } else if (result == S_OK && (sFalse || resultOfFullReads != S_OK)) {
        result = Fault(sFalse ? S_FALSE : resultOfFullReads);
    }
    if (count > 0)
        std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(count));
    position_ += count;

    uint64_t reported = count;
    if (over || overReportedReads)
        reported = count + 1 + (over ? over.Pick(4096) : 0);
    else if (under && count > 0)
        reported = under.Pick(count);
    if (reported != count)
        Fault(S_OK);
    if (done)
        *done = static_cast<ULONG>(std::min<uint64_t>(reported, ULONG_MAX));
    return result;
}

HRESULT HostStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    const testbed::Drawn fails = Draw(HostDeviation::SeekFails);
    const testbed::Drawn sFalse = Draw(HostDeviation::SeekSFalse);
    const testbed::Drawn beyond = Draw(HostDeviation::SeekBeyond4GiB);
    const testbed::Drawn reportsElsewhere = Draw(HostDeviation::SeekReportsElsewhere);
    const testbed::Drawn movesElsewhere = Draw(HostDeviation::SeekMovesElsewhere);

    Lock lock(lock_);
    ++seekCalls_;
    if (fails || seekFailsOnCall < 0 || seekFailsOnCall == seekCalls_)
        return Fault(STG_E_SEEKERROR);
    int64_t base = 0;
    switch (origin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<int64_t>(position_);
        break;
    case STREAM_SEEK_END:
        base = static_cast<int64_t>(bytes_.size() + phantomTail);
        break;
    default:
        return STG_E_INVALIDFUNCTION;
    }
    if (move.QuadPart < 0 && base + move.QuadPart < 0)
        return STG_E_INVALIDFUNCTION;
    const uint64_t target = static_cast<uint64_t>(base) + static_cast<uint64_t>(move.QuadPart);
    position_ = movesElsewhere ? movesElsewhere.Pick(bytes_.size() + 1) : target;

    uint64_t reported = movesElsewhere ? target : position_;
    if (reportsElsewhere)
        reported = (reported + 1 + reportsElsewhere.Pick(bytes_.size() + 16)) % (bytes_.size() + 17);
    if (beyond)
        reported += (uint64_t{1} + beyond.Pick(0xFFFF)) << 32;
    if (sFalse || beyond || reportsElsewhere || movesElsewhere)
        Fault(S_OK);
    if (newPosition)
        newPosition->QuadPart = reported;
    return sFalse ? S_FALSE : S_OK;
}

HRESULT HostStream::Stat(STATSTG* stat, DWORD)
{
    if (!stat)
        return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
}

HRESULT HostStream::Write(const void*, ULONG, ULONG*) { return STG_E_ACCESSDENIED; }
HRESULT HostStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
HRESULT HostStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT HostStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT HostStream::Revert() { return E_NOTIMPL; }
HRESULT HostStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT HostStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT HostStream::Clone(IStream**) { return E_NOTIMPL; }
