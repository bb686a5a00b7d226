// The built DLL's resources read back byte for byte: the description the
// host reads without calling the DLL, the version resource and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/version_texts.h"
#include "tests/support/test_files.h"

namespace {

constexpr WORD kEnglishUk = 2057;

class DllResources : public testing::Test {
protected:
    HMODULE image = nullptr;
    void SetUp() override
    {
        image = LoadLibraryExW((ViewersFolder() + L"\\DVP_QPV.dll").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(image, nullptr);
    }
    void TearDown() override { FreeLibrary(image); }

    std::string Resource(const wchar_t* type, const wchar_t* name, WORD language)
    {
        HRSRC found = FindResourceExW(image, type, name, language);
        if (!found)
            return {};
        const void* data = LockResource(LoadResource(image, found));
        return std::string(static_cast<const char*>(data), SizeofResource(image, found));
    }
};

// Each resource exists once, in English (United Kingdom) only.
TEST_F(DllResources, EachResourceHasOnlyLanguage2057)
{
    struct Case {
        const char* label;
        const wchar_t* type;
        const wchar_t* name;
    };
    const Case resources[] = {
        {"description", L"OPUS", MAKEINTRESOURCEW(1)},
        {"version", RT_VERSION, MAKEINTRESOURCEW(1)},
        {"icon group", RT_GROUP_ICON, MAKEINTRESOURCEW(5)},
    };
    for (const auto& [label, type, name] : resources) {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(
            image, type, name,
            [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) -> BOOL {
                reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{kEnglishUk}) << label;
    }
}

TEST_F(DllResources, DescriptionIsTheExact228Bytes)
{
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<opus_plugin name=\"DVP_QPV\">\r\n"
        "  <usb_safe safe=\"yes\">\r\n"
        "    <export platform=\"x86\">libgfl32U.dll</export>\r\n"
        "    <export platform=\"x64\">libgfl64U.dll</export>\r\n"
        "  </usb_safe>\r\n"
        "</opus_plugin>\r\n";
    ASSERT_EQ(expected.size(), 228u);
    EXPECT_EQ(Resource(L"OPUS", MAKEINTRESOURCEW(1), kEnglishUk), expected);
}

TEST_F(DllResources, VersionResourceHoldsEveryValue)
{
    const std::string block = Resource(RT_VERSION, MAKEINTRESOURCEW(1), kEnglishUk);
    ASSERT_FALSE(block.empty()) << "one version resource, language 2057";
    std::string copy = block;  // VerQueryValue wants a writable block
    void* value = nullptr;
    UINT length = 0;

    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD{DVP_VERSION_MAJOR} << 16 | DVP_VERSION_MINOR);
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{DVP_VERSION_PATCH} << 16 | DVP_VERSION_TWEAK);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00090000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x17u);

    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u) << "exactly one translation";
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0809);
    EXPECT_EQ(translation[1], 0x04B0);

    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"InternalName", DVP_WIDE(DVP_INTERNAL_NAME)},
        {L"FileDescription", DVP_WIDE(DVP_FILE_DESCRIPTION)},
        {L"LegalCopyright", DVP_WIDE(DVP_LEGAL_COPYRIGHT)},
        {L"CompanyName", DVP_WIDE(DVP_COMPANY_NAME)},
        {L"FileVersion", DVP_VERSION_TEXT},
        {L"ProductVersion", DVP_WIDE(DVP_PRODUCT_VERSION_TEXT)},
        {L"ProductName", DVP_WIDE(DVP_PRODUCT_NAME)},
    };
    for (const auto& [key, expected] : strings) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080904b0\\") + key;
        ASSERT_TRUE(VerQueryValueW(copy.data(), path.c_str(), &value, &length)) << testing::PrintToString(path);
        EXPECT_STREQ(static_cast<const wchar_t*>(value), expected);
    }
}

TEST_F(DllResources, IconGroupFiveHoldsOne16By16SixteenColourImage)
{
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colors, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
    struct GroupHeader {
        WORD reserved, type, count;
    };
#pragma pack(pop)
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(5), kEnglishUk);
    ASSERT_GE(group.size(), sizeof(GroupHeader) + sizeof(GroupEntry));
    GroupHeader header;
    memcpy(&header, group.data(), sizeof(header));
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(header.count, 1);
    GroupEntry entry;
    memcpy(&entry, group.data() + sizeof(header), sizeof(entry));
    EXPECT_EQ(entry.width, 16);
    EXPECT_EQ(entry.height, 16);
    EXPECT_EQ(entry.colors, 16);
    EXPECT_EQ(entry.bitCount, 4);

    const std::string icon = Resource(RT_ICON, MAKEINTRESOURCEW(entry.id), kEnglishUk);
    ASSERT_GE(icon.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER bmp;
    memcpy(&bmp, icon.data(), sizeof(bmp));
    EXPECT_EQ(bmp.biWidth, 16);
    EXPECT_EQ(bmp.biHeight, 32) << "colour and mask";
    EXPECT_EQ(bmp.biBitCount, 4);
}

}  // namespace
