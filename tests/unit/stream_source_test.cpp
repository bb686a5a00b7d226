// The read, tell and seek callbacks over a host IStream: exact reads only,
// the error value on every failure, positions reported modulo 2^32.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/memory_stream.h"
#include "tests/support/scripted_stream.h"
#include "viewer/stream_source.h"

namespace {

TEST(StreamSource, ReadsExactCountsAndRefusesShortReads)
{
    const BYTE bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const UniqueStream stream = MemoryStream(bytes, sizeof(bytes));
    ASSERT_NE(stream.get(), nullptr);
    uint8_t buffer[16] = {};

    EXPECT_EQ(StreamRead(stream.get(), buffer, 4), 4u);
    EXPECT_EQ(buffer[3], 3);
    EXPECT_EQ(StreamRead(stream.get(), buffer, 6), 6u) << "exactly the remaining bytes succeed";
    EXPECT_EQ(StreamSeek(stream.get(), 8, 0), 8u);
    EXPECT_EQ(StreamRead(stream.get(), buffer, 4), kStreamError) << "a short read is a failure";
    EXPECT_EQ(StreamTell(stream.get()), 10u) << "although the stream advanced by what it delivered";
}

TEST(StreamSource, SeeksByOriginAndReturnsTheNewPosition)
{
    const BYTE bytes[100] = {};
    const UniqueStream stream = MemoryStream(bytes, sizeof(bytes));
    EXPECT_EQ(StreamSeek(stream.get(), 0, 2), 100u) << "offset 0 from the end is the length";
    EXPECT_EQ(StreamSeek(stream.get(), -10, 2), 90u) << "from the end the offset is signed";
    EXPECT_EQ(StreamSeek(stream.get(), -30, 1), 60u) << "from here the offset is signed";
    EXPECT_EQ(StreamSeek(stream.get(), 25, 0), 25u);
    EXPECT_EQ(StreamTell(stream.get()), 25u);
    EXPECT_EQ(StreamSeek(stream.get(), 0, 3), kStreamError) << "only origins 0, 1 and 2 are mapped";
    EXPECT_EQ(StreamTell(stream.get()), 25u);
}

TEST(StreamSource, MapsOffsetsAndReportsPositionsModulo4GiB)
{
    ScriptedStream stream({});
    stream.position = 0x123456789ull;
    EXPECT_EQ(StreamTell(&stream), 0x23456789u);
    EXPECT_EQ(stream.lastOrigin, static_cast<DWORD>(STREAM_SEEK_CUR));

    // From the start the offset is the unsigned position tell reported.
    StreamSeek(&stream, static_cast<int32_t>(0xF0000000u), 0);
    EXPECT_EQ(stream.lastDisplacement, 0xF0000000ll);
    EXPECT_EQ(stream.lastOrigin, static_cast<DWORD>(STREAM_SEEK_SET));
    StreamSeek(&stream, -16, 1);
    EXPECT_EQ(stream.lastDisplacement, -16);
    StreamSeek(&stream, -16, 2);
    EXPECT_EQ(stream.lastDisplacement, -16);
    EXPECT_EQ(stream.lastOrigin, static_cast<DWORD>(STREAM_SEEK_END));
}

TEST(StreamSource, EveryStreamFailureIsTheErrorValue)
{
    ScriptedStream stream(std::vector<uint8_t>(16));
    uint8_t buffer[8];
    stream.resultOfFullReads = S_FALSE;  // all 8 bytes delivered all the same
    EXPECT_EQ(StreamRead(&stream, buffer, 8), kStreamError) << "S_FALSE is no success";
    stream.resultOfFullReads = E_FAIL;
    EXPECT_EQ(StreamRead(&stream, buffer, 8), kStreamError);
    stream.seekFailsOnCall = -1;  // a stream that cannot seek: STG_E_INVALIDFUNCTION
    EXPECT_EQ(StreamTell(&stream), kStreamError);
    EXPECT_EQ(StreamSeek(&stream, 0, 0), kStreamError);
    EXPECT_EQ(StreamRead(nullptr, buffer, 8), kStreamError);
}

}  // namespace
