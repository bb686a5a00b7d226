// The read, tell and seek callbacks over a host IStream: exact reads only,
// the error value on every failure, an offset from the start zero-extended
// and the others sign-extended, positions reported modulo 2^32. Each case
// is judged by what the host sees: the answer and where its stream stands.
#include <gtest/gtest.h>

#include <vector>

#include "testbed/host/host_stream.h"
#include "viewer/stream_source.h"

namespace {

// A host stream over the bytes 0, 1, 2, ... (size of them).
UniqueHostStream StreamOf(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    return UniqueHostStream(HostStream::Create(std::move(bytes)));
}

void MoveTo(IStream* stream, uint64_t position)
{
    LARGE_INTEGER move{};
    move.QuadPart = static_cast<LONGLONG>(position);
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
}

uint64_t PositionOf(IStream* stream)
{
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    EXPECT_EQ(stream->Seek(zero, STREAM_SEEK_CUR, &position), S_OK);
    return position.QuadPart;
}

TEST(StreamSource, ReadsExactCountsAndRefusesShortReads)
{
    const UniqueHostStream stream = StreamOf(10);
    ASSERT_TRUE(stream);
    uint8_t buffer[16] = {};

    EXPECT_EQ(StreamRead(stream.get(), buffer, 4), 4u);
    EXPECT_EQ(buffer[3], 3);
    EXPECT_EQ(StreamRead(stream.get(), buffer, 6), 6u) << "exactly the remaining bytes succeed";
    EXPECT_EQ(StreamSeek(stream.get(), 8, 0), 8u);
    EXPECT_EQ(StreamRead(stream.get(), buffer, 4), kStreamError) << "a short read is a failure";
    EXPECT_EQ(StreamTell(stream.get()), 10u) << "although the stream advanced by what it delivered";
}

TEST(StreamSource, SeeksByOriginAndReportsPositionsModulo4GiB)
{
    struct Row {
        uint64_t from;
        int32_t offset;
        int32_t origin;
        uint32_t answer;
        uint64_t landsAt;
        const char* why;
    };
    // A stream of 100 bytes; a seek may put its position beyond the end.
    const Row rows[] = {
        {7, 0, 2, 100, 100, "offset 0 from the end is the length"},
        {7, -10, 2, 90, 90, "from the end the offset is signed"},
        {90, -30, 1, 60, 60, "from here the offset is signed"},
        {60, 25, 0, 25, 25, "from the start the offset is the position"},
        {0, static_cast<int32_t>(0xF0000000u), 0, 0xF0000000u, 0xF0000000u,
         "from the start the offset is the unsigned position a tell reported"},
        {0x123456789, -16, 1, 0x23456779u, 0x123456779, "beyond 4 GiB, signed from here, reported modulo 2^32"},
        {0x123456789, -16, 2, 84, 84, "beyond 4 GiB, signed from the end"},
        {25, 0, 3, kStreamError, 25, "only origins 0, 1 and 2 are mapped"},
    };
    const UniqueHostStream stream = StreamOf(100);
    ASSERT_TRUE(stream);
    for (const Row& row : rows) {
        MoveTo(stream.get(), row.from);
        EXPECT_EQ(StreamSeek(stream.get(), row.offset, row.origin), row.answer) << row.why;
        EXPECT_EQ(PositionOf(stream.get()), row.landsAt) << row.why;
    }
    for (const uint64_t position : {uint64_t{25}, uint64_t{0x123456789}}) {
        MoveTo(stream.get(), position);
        EXPECT_EQ(StreamTell(stream.get()), static_cast<uint32_t>(position)) << "a tell at " << position;
        EXPECT_EQ(PositionOf(stream.get()), position) << "a tell does not move the stream";
    }
}

TEST(StreamSource, EveryStreamFailureIsTheErrorValue)
{
    struct Row {
        const char* why;
        void (*script)(HostStream&);
        uint32_t (*call)(void* stream);
    };
    const auto readEight = [](void* stream) {
        uint8_t buffer[8];
        return StreamRead(stream, buffer, 8);
    };
    const auto tell = [](void* stream) { return StreamTell(stream); };
    const auto seekToStart = [](void* stream) { return StreamSeek(stream, 0, 0); };
    const Row rows[] = {
        {"S_FALSE although all 8 bytes came", [](HostStream& s) { s.resultOfFullReads = S_FALSE; }, readEight},
        {"a failure although all 8 bytes came", [](HostStream& s) { s.resultOfFullReads = E_FAIL; }, readEight},
        {"fewer bytes than asked with S_OK", [](HostStream& s) { s.shortReads = true; }, readEight},
        {"more bytes reported than asked", [](HostStream& s) { s.overReportedReads = true; }, readEight},
        {"a tell on a stream that cannot seek", [](HostStream& s) { s.seekFailsOnCall = -1; }, tell},
        {"a seek on a stream that cannot seek", [](HostStream& s) { s.seekFailsOnCall = -1; }, seekToStart},
        {"no stream to read", nullptr, readEight},
        {"no stream to tell", nullptr, tell},
        {"no stream to seek", nullptr, seekToStart},
    };
    for (const Row& row : rows) {
        const UniqueHostStream stream = row.script ? StreamOf(16) : UniqueHostStream();
        if (row.script)
            row.script(*stream.get());
        EXPECT_EQ(row.call(stream.get()), kStreamError) << row.why;
    }
}

}  // namespace
