// Every call considers each of its kinds once, in a fixed order, before it
// acts, so the draws of a call depend only on the stream's scenario and how
// many calls came before. Whatever a deviation reports, the stream itself
// never reads or writes outside its bytes and the caller's buffer.
#include "testbed/host/deviating_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "testbed/host/host_testbed_control.h"

DeviatingStream::DeviatingStream(std::vector<uint8_t> bytes, uint64_t seed, uint32_t ratePerMille)
    : bytes_(std::move(bytes))
{
    if (ratePerMille != 0)
        scenario_.Start(seed, ratePerMille);
}

ULONG DeviatingStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG DeviatingStream::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT DeviatingStream::Read(void* buffer, ULONG wanted, ULONG* done)
{
    const testbed::Drawn fails = DeviateStream(scenario_, HostDeviation::ReadFails);
    const testbed::Drawn shortRead = DeviateStream(scenario_, HostDeviation::ReadShort);
    const testbed::Drawn sFalse = DeviateStream(scenario_, HostDeviation::ReadSFalse);
    const testbed::Drawn over = DeviateStream(scenario_, HostDeviation::ReadOverReported);
    const testbed::Drawn under = DeviateStream(scenario_, HostDeviation::ReadUnderReported);
    if (done)
        *done = 0;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    if (fails)
        return STG_E_READFAULT;

    Lock lock(lock_);
    const uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    uint64_t count = std::min<uint64_t>(wanted, available);
    if (shortRead && count > 0)
        count = shortRead.Pick(count);  // fewer than asked, possibly none
    if (count > 0)
        std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(count));
    position_ += count;

    uint64_t reported = count;
    if (over)
        reported = count + 1 + over.Pick(4096);
    else if (under && count > 0)
        reported = under.Pick(count);
    if (done)
        *done = static_cast<ULONG>(std::min<uint64_t>(reported, ULONG_MAX));
    if (sFalse || count < wanted)
        return S_FALSE;
    return S_OK;
}

HRESULT DeviatingStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    const testbed::Drawn fails = DeviateStream(scenario_, HostDeviation::SeekFails);
    const testbed::Drawn sFalse = DeviateStream(scenario_, HostDeviation::SeekSFalse);
    const testbed::Drawn beyond = DeviateStream(scenario_, HostDeviation::SeekBeyond4GiB);
    const testbed::Drawn reportsElsewhere = DeviateStream(scenario_, HostDeviation::SeekReportsElsewhere);
    const testbed::Drawn movesElsewhere = DeviateStream(scenario_, HostDeviation::SeekMovesElsewhere);
    if (fails)
        return STG_E_SEEKERROR;

    Lock lock(lock_);
    int64_t base = 0;
    switch (origin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<int64_t>(position_);
        break;
    case STREAM_SEEK_END:
        base = static_cast<int64_t>(bytes_.size());
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
    if (newPosition)
        newPosition->QuadPart = reported;
    return sFalse ? S_FALSE : S_OK;
}

HRESULT DeviatingStream::Stat(STATSTG* stat, DWORD)
{
    if (!stat)
        return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
}

IStream* HostTestbedCreateDeviatingStream(std::vector<uint8_t> bytes, uint64_t seed, uint32_t ratePerMille)
{
    return new (std::nothrow) DeviatingStream(std::move(bytes), seed, ratePerMille);
}
