// The handled-extensions string built from the library's format table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imagelib/gfl_library.h"
#include "imagelib/handled_extensions.h"
#include "plugin/plugin_state.h"
#include "tests/support/stand_in_library.h"

namespace {

TestbedFormat Format(std::initializer_list<const char*> extensions, int16_t information = 0, uint8_t readable = 1)
{
    TestbedFormat format{};
    strcpy(format.name, "format");
    int slot = 0;
    for (const char* extension : extensions)
        strncpy(format.extensions[slot++], extension, 8);
    format.extensionCount = slot;
    format.informationResult = information;
    format.readable = readable;
    return format;
}

std::wstring Build(const GflLibrary& library = State().library())
{
    std::unique_ptr<wchar_t[]> text = buildHandledExtensions(library);
    EXPECT_NE(text, nullptr);
    return text ? std::wstring(text.get()) : std::wstring(L"<null>");
}

// The stand-in bound into the process-wide binding, as DVP_InitEx binds it
// (once per process), and reset.
const LibraryControl& BindStandInLibrary()
{
    const LibraryControl& control = StandInLibrary();
    control.Reset();
    EXPECT_TRUE(State().library().load(StandInLibraryPath().c_str()));
    return control;
}

class HandledExtensions : public testing::Test {
protected:
    const LibraryControl& library = BindStandInLibrary();

    void Serve(std::vector<TestbedFormat> formats)
    {
        library.SetFormats(formats.data(), static_cast<int32_t>(formats.size()));
    }
    // Rows served with a format count that need not match them.
    void Serve(std::vector<TestbedFormat> formats, int32_t reportedCount)
    {
        library.SetFormats(formats.data(), reportedCount);
    }
};

TEST_F(HandledExtensions, WorkedExampleSortsFoldsCompletesAndDeduplicates)
{
    Serve({
        Format({"JPG", "jpeg", "jpe"}),
        Format({"bad"}, /*information=*/1),
        Format({"xyz"}, 0, /*readable=*/0),
        Format({"pspimag", "PspFram", "tub"}),
        Format({"jpg"}),
    });
    EXPECT_EQ(Build(), L".jpe;.jpeg;.jpg;.pspframe;.pspimage;.tub");
}

TEST_F(HandledExtensions, NoReadableFormatGivesTheEmptyStringNotNull)
{
    Serve({Format({"png"}, 0, 0), Format({"gif"}, 0, 2)});  // 2 is not exactly 1
    EXPECT_EQ(Build(), L"");
    Serve({}, 0);
    EXPECT_EQ(Build(), L"");
    Serve({Format({"png"})}, -5);  // a negative count means no formats
    EXPECT_EQ(Build(), L"");
}

TEST_F(HandledExtensions, FoldsOnlyAToZAndCompletesTheThreeTruncatedNames)
{
    Serve({
        Format({"PSPBRUS", "pspImag", "pspfrAm", "PSPTUBE"}),
        Format({"\xC4" "BC", "A-Z_"}),  // a non-ASCII byte stays as it is
        Format({""}),                    // an empty slot is a lone dot
    });
    EXPECT_EQ(Build(), L".;.a-z_;.pspbrush;.pspframe;.pspimage;.psptube;.\x00C4" L"bc");
}

TEST_F(HandledExtensions, ReadsNoMoreSlotsThanTheRecordHoldsAndNoBytePastASlot)
{
    TestbedFormat format = Format({"aaa"});
    for (int slot = 0; slot < 16; ++slot)
        snprintf(format.extensions[slot], 8, "e%02d", slot);
    memcpy(format.extensions[15], "ABCDEFGH", 8);  // no terminator in its 8 bytes
    format.extensionCount = 1000;
    Serve({format, Format({"zzz"}, 0, 1)});
    const std::wstring result = Build();
    EXPECT_NE(result.find(L".e00;.e01;"), std::wstring::npos) << testing::PrintToString(result);
    EXPECT_NE(result.find(L".abcdefgh;"), std::wstring::npos) << "a full slot is read as 8 bytes";
    EXPECT_NE(result.find(L".zzz"), std::wstring::npos) << "later formats are still visited";
    EXPECT_EQ(std::count(result.begin(), result.end(), L';'), 16) << "16 slots and .zzz";
}

TEST_F(HandledExtensions, NonPositiveExtensionCountsContributeNothing)
{
    TestbedFormat zero = Format({"aaa"});
    zero.extensionCount = 0;
    TestbedFormat negative = Format({"bbb"});
    negative.extensionCount = -3;
    Serve({zero, negative, Format({"ccc"})});
    EXPECT_EQ(Build(), L".ccc");
}

TEST(HandledExtensionsUnbound, GivesTheEmptyString)
{
    const GflLibrary unbound;
    ASSERT_FALSE(unbound.loaded());
    EXPECT_EQ(Build(unbound), L"");
}

TEST(WidenAnsi, ConvertsAndTerminates)
{
    std::unique_ptr<wchar_t[]> empty = widenAnsi("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], L'\0');
    std::unique_ptr<wchar_t[]> text = widenAnsi(".jpg;.png");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), L".jpg;.png");
    EXPECT_EQ(widenAnsi(nullptr), nullptr);
}

}  // namespace
