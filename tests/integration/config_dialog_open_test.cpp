// Opening the configuration dialog: the template the built DLL carries,
// when the dialog opens at all, and what it shows when it does.
#include "tests/support/config_dialog_session.h"
#include "tests/support/dialog_template.h"

namespace {

TEST(ConfigDialogTemplate, BuiltDllCarriesTheLayoutControlByControl)
{
    const DialogTemplate dialog =
        ReadDialogTemplate(ThePlugin().module, kTemplateId, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
    ASSERT_TRUE(dialog.valid) << "no extended template 101 in English (United Kingdom)";

    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                               DS_SETFONT | DS_FIXEDSYS));
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.cx, 171);
    EXPECT_EQ(dialog.cy, 215);
    EXPECT_EQ(dialog.title, L"QPV Plugin Configuration");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");

    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    struct Control {
        int32_t id;
        const wchar_t* className;
        const wchar_t* text;
        DWORD style;
        int16_t x, y, cx, cy;
    };
    const Control expected[] = {
        {-1, L"button", L"Ignored Files", BS_GROUPBOX, 6, 7, 158, 172},
        {-1, L"static", L"Ignore these file extensions:", SS_LEFT | WS_GROUP, 14, 17, 93, 8},
        {kList, L"listbox", L"",
         LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 14, 28,
         142, 114},
        {kEdit, L"edit", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 13, 144, 142, 14},
        {kAdd, L"button", L"Add", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 45, 161, 53, 14},
        {kRemove, L"button", L"Remove", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 103, 161, 53, 14},
        {kDefaults, L"button", L"&Defaults", BS_PUSHBUTTON | WS_TABSTOP, 6, 197, 35, 14},
        {IDOK, L"button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 53, 197, 35, 14},
        {IDCANCEL, L"button", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 90, 197, 35, 14},
        {kStreams, L"button", L"Use QPV for Streams", BS_AUTOCHECKBOX | WS_TABSTOP, 6, 183, 127, 11},
        {kApply, L"button", L"Apply", BS_PUSHBUTTON | WS_TABSTOP, 129, 197, 35, 14},
    };
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const Control& want = expected[i];
        const DialogItem& got = dialog.items[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " (" << want.id << ")");
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, kChild | want.style) << std::hex << got.style;
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

TEST_F(ConfigDialog, RefusesToOpenBeforeStartUpAndAfterShutDown)
{
    EXPECT_EQ(plugin.Configure(nullptr, nullptr, 0), nullptr);
    Start();
    Stop();
    EXPECT_EQ(plugin.Configure(nullptr, nullptr, 0), nullptr);
}

TEST_F(ConfigDialog, OpensWithTheSettingsInForceAndApplyAddRemoveDisabled)
{
    struct Case {
        bool writeFile;
        std::vector<std::wstring> expectedItems;  // in the list box's own, case-insensitive order
        bool checked;
    };
    const std::vector<std::wstring> none;
    const Case cases[] = {
        {false, none, true},  // no file: the 68 defaults (checked below as a set)
        {true, {L".abc", L".mmm", L".Zed"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writeFile ? "settings file" : "defaults");
        if (c.writeFile)
            WriteSettings({L".Zed", L".abc", L".mmm"}, false);
        Start();
        Open();
        if (c.writeFile)
            EXPECT_EQ(Items(), c.expectedItems);
        else
            EXPECT_EQ(AsSet(Items()), kDefaultExclusions);
        EXPECT_EQ(Items().size(), c.writeFile ? 3u : 68u) << "every entry listed once";
        EXPECT_EQ(IsDlgButtonChecked(dialog, kStreams), c.checked ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_FALSE(IsEnabled(dialog, kApply));
        EXPECT_FALSE(IsEnabled(dialog, kAdd));
        EXPECT_FALSE(IsEnabled(dialog, kRemove));
        EXPECT_TRUE(IsEnabled(dialog, kDefaults));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(ControlText(dialog, kEdit), L"");
        Click(dialog, IDCANCEL);
        ExpectClosed();
        Stop();
    }
}

}  // namespace
