// DVP_IdentifyW through the real DLL: the size gate, every written field,
// the untouched bytes, the texts from the version resource and truncation.
#include <cstring>
#include <string>

#include "plugin/plugin_identify.h"
#include "resources/version_texts.h"
#include "tests/support/plugin_session.h"

namespace {

constexpr uint8_t kPattern = 0x5C;

// A host record of `size` bytes inside a larger patterned buffer.
struct HostInfoRecord {
    uint8_t bytes[192];
    explicit HostInfoRecord(uint32_t size)
    {
        memset(bytes, kPattern, sizeof(bytes));
        memset(bytes + 16, 0, 8);   // the pointers and capacities a host clears
        memset(bytes + 24, 0, 32);
        memset(bytes + 60, 0, 16);
        memcpy(bytes, &size, 4);
    }
    dvp::PluginInfoRecord* record() { return reinterpret_cast<dvp::PluginInfoRecord*>(bytes); }
    bool Untouched(size_t from, size_t to) const
    {
        for (size_t i = from; i < to; ++i)
            if (bytes[i] != kPattern)
                return false;
        return true;
    }
};

using PluginIdentify = PluginSession;

TEST_F(PluginIdentify, RefusesARecordBelow160BytesAndWritesNothing)
{
    HostInfoRecord host(159);
    uint8_t before[sizeof(host.bytes)];
    memcpy(before, host.bytes, sizeof(before));
    EXPECT_EQ(plugin.IdentifyW(host.record()), FALSE);
    EXPECT_EQ(memcmp(before, host.bytes, sizeof(before)), 0);
    EXPECT_EQ(plugin.IdentifyW(nullptr), FALSE);
}

TEST_F(PluginIdentify, FillsTheFixedFieldsAndLeavesTheRestAlone)
{
    // Exactly 160 bytes, and a larger record whose tail is the host's.
    for (const uint32_t size : {160u, 192u}) {
        SCOPED_TRACE(size);
        HostInfoRecord host(size);
        ASSERT_EQ(plugin.IdentifyW(host.record()), TRUE);
        const dvp::PluginInfoRecord& r = *host.record();
        EXPECT_EQ(r.size, size);
        EXPECT_EQ(r.flags, 0x411u);
        EXPECT_EQ(r.versionHigh, DWORD{DVP_VERSION_MAJOR} << 16 | DVP_VERSION_MINOR);
        EXPECT_EQ(r.versionLow, DWORD{DVP_VERSION_PATCH} << 16 | DVP_VERSION_TWEAK);
        EXPECT_EQ(r.handledExtensions, nullptr) << "not initialised yet";
        for (size_t offset = 80; offset < 116; ++offset)
            EXPECT_EQ(host.bytes[offset], 0) << offset;
        EXPECT_EQ(memcmp(host.bytes + 116, &PluginGuid, 16), 0);
        EXPECT_NE(r.icon, nullptr);
        EXPECT_TRUE(host.Untouched(56, 60));
        EXPECT_TRUE(host.Untouched(76, 80));
        EXPECT_TRUE(host.Untouched(132, 144));
        EXPECT_TRUE(host.Untouched(152, sizeof(host.bytes))) << "bytes from 152 on, past 160 too";
        DestroyIcon(r.icon);
    }
}

TEST_F(PluginIdentify, CopiesTheFourTextsFromTheVersionResource)
{
    HostInfoRecord host(200);
    wchar_t name[64], description[64], copyright[64], url[64];
    dvp::PluginInfoRecord& r = *host.record();
    r.name = name, r.nameCapacity = 64;
    r.description = description, r.descriptionCapacity = 64;
    r.copyright = copyright, r.copyrightCapacity = 64;
    r.url = url, r.urlCapacity = 64;
    ASSERT_EQ(plugin.IdentifyW(&r), TRUE);
    EXPECT_STREQ(name, DVP_WIDE(DVP_INTERNAL_NAME));
    EXPECT_STREQ(description, DVP_WIDE(DVP_FILE_DESCRIPTION));
    EXPECT_STREQ(copyright, DVP_WIDE(DVP_LEGAL_COPYRIGHT));
    EXPECT_STREQ(url, DVP_WIDE(DVP_COMPANY_NAME));
}

TEST_F(PluginIdentify, TruncatesToTheCapacityAndRefusesTwoOrLess)
{
    struct Case {
        uint32_t capacity;
        BOOL result;
        std::wstring name;
    };
    const std::wstring whole = DVP_WIDE(DVP_INTERNAL_NAME);
    for (const Case& c : {Case{static_cast<uint32_t>(whole.size() + 1), TRUE, whole}, Case{5, TRUE, whole.substr(0, 4)},
                          Case{3, TRUE, whole.substr(0, 2)}}) {
        HostInfoRecord host(160);
        wchar_t name[16];
        wmemset(name, L'#', 16);
        host.record()->name = name;
        host.record()->nameCapacity = c.capacity;
        EXPECT_EQ(plugin.IdentifyW(host.record()), c.result);
        EXPECT_EQ(name, c.name) << "capacity " << c.capacity;
        EXPECT_EQ(name[c.capacity], L'#') << "nothing past the capacity";
    }

    // The legal text is copied first: a capacity of 2 there stops every text.
    HostInfoRecord host(160);
    wchar_t name[16] = L"unchanged", copyright[16] = L"unchanged";
    host.record()->name = name;
    host.record()->nameCapacity = 16;
    host.record()->copyright = copyright;
    host.record()->copyrightCapacity = 2;
    EXPECT_EQ(plugin.IdentifyW(host.record()), FALSE);
    EXPECT_STREQ(name, L"unchanged");
    EXPECT_STREQ(copyright, L"unchanged");
    EXPECT_EQ(host.record()->flags, 0x411u) << "the fixed fields stay written";
}

TEST_F(PluginIdentify, EachCallLoadsANewIconAndGivesTheSameGuid)
{
    HostInfoRecord first(160), second(160);
    ASSERT_EQ(plugin.IdentifyW(first.record()), TRUE);
    ASSERT_EQ(plugin.IdentifyW(second.record()), TRUE);
    EXPECT_NE(first.record()->icon, second.record()->icon);
    EXPECT_EQ(memcmp(first.bytes + 116, second.bytes + 116, 16), 0);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(first.record()->icon, &info));
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, 16);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(first.record()->icon);
    DestroyIcon(second.record()->icon);
}

TEST_F(PluginIdentify, ReportsTheHandledExtensionsWhileInitialised)
{
    dvp::InitExRecord init = dvp::HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&init), TRUE);
    HostInfoRecord host(160);
    ASSERT_EQ(plugin.IdentifyW(host.record()), TRUE);
    ASSERT_NE(host.record()->handledExtensions, nullptr);
    const std::wstring extensions = host.record()->handledExtensions;
    for (const wchar_t* expected : {L".bmp;", L".jpg;", L".png;", L".tbim"})
        EXPECT_NE(extensions.find(expected), std::wstring::npos) << testing::PrintToString(extensions);
    plugin.Uninit();
    HostInfoRecord after(160);
    ASSERT_EQ(plugin.IdentifyW(after.record()), TRUE);
    EXPECT_EQ(after.record()->handledExtensions, nullptr);
}

// The pointer is the string built from the library's formats at start-up,
// not a list of the plug-in's own.
TEST_F(PluginIdentify, HandledExtensionsFollowTheLibrarysFormatTable)
{
    ASSERT_NE(library.SetFormats, nullptr);
    library.Reset();
    const TestbedFormat formats[] = {
        {"Alpha", 2, {"QQA", "qqb"}, 0, 1},
        {"Hidden", 1, {"qqh"}, 0, 0},
        {"Beta", 1, {"qqa"}, 0, 1},
    };
    library.SetFormats(formats, 3);
    dvp::InitExRecord init = dvp::HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&init), TRUE);
    HostInfoRecord host(160);
    ASSERT_EQ(plugin.IdentifyW(host.record()), TRUE);
    ASSERT_NE(host.record()->handledExtensions, nullptr);
    EXPECT_STREQ(host.record()->handledExtensions, L".qqa;.qqb");
    plugin.Uninit();
    library.Reset();
}

}  // namespace
