// The path operations that build the library path, its plug-ins folder and
// the settings file path.
#include <gtest/gtest.h>

#include "imagelib/path_ops.h"

namespace {

struct JoinCase {
    const wchar_t* path;
    const wchar_t* component;
    const wchar_t* expected;
};

TEST(JoinPath, InsertsExactlyOneSeparator)
{
    const JoinCase cases[] = {
        {L"C:\\Host", L"Viewers\\libgfl64U.dll", L"C:\\Host\\Viewers\\libgfl64U.dll"},
        {L"C:\\", L"Viewers\\libgfl64U.dll", L"C:\\Viewers\\libgfl64U.dll"},
        {L"C:/Host/", L"DVP_QPV", L"C:/Host/DVP_QPV"},
        {L"C:\\Cfg", L"\\\\/DVP_QPV", L"C:\\Cfg\\DVP_QPV"},
        {L"", L"dvp_qpv_plugins", L"dvp_qpv_plugins"},
        {L"C:\\Cfg", L"\\/\\", L"C:\\Cfg"},
        {L"C:\\Cfg", L"", L"C:\\Cfg"},
        {L"a", L"b\\c/", L"a\\b\\c/"},
    };
    for (const JoinCase& c : cases) {
        std::wstring path = c.path;
        EXPECT_EQ(JoinPath(&path, c.component), &path);
        EXPECT_EQ(path, c.expected) << "join " << testing::PrintToString(std::wstring(c.path));
    }
}

TEST(JoinPath, NullArguments)
{
    EXPECT_EQ(JoinPath(nullptr, L"x"), nullptr);
    std::wstring path = L"C:\\a";
    EXPECT_EQ(JoinPath(&path, nullptr), &path);
    EXPECT_EQ(path, L"C:\\a");
}

TEST(ParentPath, CutsAtLastSeparatorAndRepairsDriveRoots)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Host\\Viewers\\libgfl64U.dll", L"C:\\Host\\Viewers"},
        {L"C:\\file", L"C:\\"},
        {L"C:\\dir\\", L"C:\\"},
        {L"\\\\?\\C:\\file", L"\\\\?\\C:\\"},
        {L"file", L""},
        {L"\\\\server\\share\\file", L"\\\\server\\share"},
        {L"C:", L""},
        {L"C:/dir//file//", L"C:/dir"},
        {L"1:\\file", L"1:"},
        {L"\\\\?\\1:\\x", L"\\\\?\\1:"},
        {L"", L""},
    };
    for (const auto& [input, expected] : cases) {
        std::wstring path = input;
        ParentPath(&path);
        EXPECT_EQ(path, expected) << "parent of " << testing::PrintToString(std::wstring(input));
    }
    ParentPath(nullptr);  // no path object: nothing happens
}

}  // namespace
