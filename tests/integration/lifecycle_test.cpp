// Start-up and shut-down of the real DLL as a host drives it: the version
// gate, the reference count, the rebuild after a full shut-down, and the
// exports that work without start-up.
#include "tests/support/plugin_session.h"

namespace {

using Lifecycle = PluginSession;

TEST_F(Lifecycle, VersionGateRefusesHostsBeforeNine)
{
    struct Case {
        uint32_t high, low;
        BOOL expected;
    };
    const Case cases[] = {
        {0x0008FFFF, 0xFFFFFFFF, FALSE},  // 8.65535.65535.65535
        {0x00000009, 0x00000000, FALSE},  // a plain major number in the high word
        {0x00090000, 0x00000000, TRUE},   // exactly 9.0.0.0
        {0xFFFFFFFF, 0xFFFFFFFF, TRUE},
    };
    for (const Case& c : cases) {
        dvp::InitExRecord record{};
        record.hostVersionHigh = c.high;
        record.hostVersionLow = c.low;
        EXPECT_EQ(plugin.InitEx(&record), c.expected) << std::hex << c.high << "." << c.low;
        if (c.expected) {
            EXPECT_NE(HandledExtensions(), nullptr);
            plugin.Uninit();
        }
        // Refused or shut down: nothing remains.
        EXPECT_EQ(HandledExtensions(), nullptr);
        EXPECT_EQ(plugin.Configure(nullptr, nullptr, 0), nullptr);
    }
}

TEST_F(Lifecycle, CountsBalancedCallsAndIgnoresExtraUninit)
{
    dvp::InitExRecord record = dvp::HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&record), TRUE);
    const wchar_t* extensions = HandledExtensions();
    ASSERT_NE(extensions, nullptr);

    // The second call only counts: it does not even look at its record.
    EXPECT_EQ(plugin.InitEx(nullptr), TRUE);
    plugin.Uninit();
    EXPECT_EQ(HandledExtensions(), extensions) << "the first uninit must release nothing";
    plugin.Uninit();
    EXPECT_EQ(HandledExtensions(), nullptr);

    plugin.Uninit();  // count already 0: nothing happens, it stays 0
    ASSERT_EQ(plugin.InitEx(&record), TRUE);
    EXPECT_NE(HandledExtensions(), nullptr);
    plugin.Uninit();
    EXPECT_EQ(HandledExtensions(), nullptr) << "one uninit must balance one init after extra uninits";
}

TEST_F(Lifecycle, SecondInitReadsNoRecordEvenAnOldVersion)
{
    dvp::InitExRecord good = dvp::HostRecord(13);
    dvp::InitExRecord old = dvp::HostRecord(8);
    ASSERT_EQ(plugin.InitEx(&good), TRUE);
    EXPECT_EQ(plugin.InitEx(&old), TRUE);
    plugin.Uninit();
    plugin.Uninit();
}

TEST_F(Lifecycle, RestartRebuildsEverythingWithoutMappingTheLibraryAgain)
{
    dvp::InitExRecord record = dvp::HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&record), TRUE);
    const std::wstring first = HandledExtensions();
    plugin.Uninit();
    library.Reset();  // counts from here on
    ASSERT_EQ(plugin.InitEx(&record), TRUE);
    const wchar_t* second = HandledExtensions();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first, second) << "the rebuilt string lists the same formats";

    const TestbedCounters counters = library.Counters();
    EXPECT_EQ(counters.calls[kTbLibraryInit], 0) << "the library is initialised once per process";
    EXPECT_EQ(counters.calls[kTbGetVersion], 0) << "an already bound library is not checked again";
    EXPECT_GT(counters.calls[kTbGetNumberOfFormat], 0) << "the string is built afresh";
    plugin.Uninit();
}

TEST_F(Lifecycle, RefusedNullRecordLeavesNothingBehind)
{
    EXPECT_EQ(plugin.InitEx(nullptr), FALSE);
    EXPECT_EQ(HandledExtensions(), nullptr);
    dvp::InitExRecord record = dvp::HostRecord(13);
    EXPECT_EQ(plugin.InitEx(&record), TRUE) << "the failed first call must have put the count back to 0";
    plugin.Uninit();
    EXPECT_EQ(HandledExtensions(), nullptr);
}

TEST_F(Lifecycle, InitAlwaysRefusesAndUsbSafeNeedsNoStartUp)
{
    EXPECT_EQ(plugin.Init(), FALSE);
    dvp::UsbSafeRecord usb{};
    EXPECT_EQ(plugin.USBSafe(&usb), TRUE);
    ASSERT_NE(usb.otherExports, nullptr);
    EXPECT_STREQ(usb.otherExports, L"libgfl64U.dll");
    EXPECT_EQ(plugin.USBSafe(nullptr), FALSE);

    dvp::InitExRecord record = dvp::HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&record), TRUE);
    EXPECT_EQ(plugin.Init(), FALSE);
    plugin.Uninit();
}

}  // namespace
