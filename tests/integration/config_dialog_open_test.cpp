// Opening the configuration dialog: the template the built DLL carries,
// when the dialog opens at all, and what it shows when it does.
#include <algorithm>

#include "tests/support/config_dialog_session.h"
#include "tests/support/dialog_template.h"

namespace {

// What the dialog procedure and the user rely on in the template the
// resource compiler built, without restating its coordinates and texts
// (the resource script holds them once): a modal frame with a caption, each
// control the code drives with the class and styles its handling assumes,
// and a layout where every control shows whole and none covers another.
TEST(ConfigDialogTemplate, BuiltDllCarriesEveryDrivenControlVisibleAndApart)
{
    const DialogTemplate dialog =
        ReadDialogTemplate(ThePlugin().module, kTemplateId, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
    ASSERT_TRUE(dialog.valid) << "no extended template in English (United Kingdom)";
    constexpr DWORD kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(dialog.style & kFrame, kFrame) << std::hex << dialog.style;
    EXPECT_FALSE(dialog.title.empty());

    struct Driven {
        int32_t id;
        const wchar_t* className;
        DWORD style;  // bits the handling relies on
    };
    const Driven driven[] = {
        {kList, L"listbox", LBS_NOTIFY | LBS_SORT | LBS_EXTENDEDSEL | WS_TABSTOP},
        {kEdit, L"edit", ES_AUTOHSCROLL | WS_TABSTOP},
        {kAdd, L"button", WS_TABSTOP},
        {kRemove, L"button", WS_TABSTOP},
        {kDefaults, L"button", WS_TABSTOP},
        {IDOK, L"button", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, L"button", WS_TABSTOP},
        {kStreams, L"button", BS_AUTOCHECKBOX | WS_TABSTOP},
        {kApply, L"button", WS_TABSTOP},
    };
    for (const Driven& want : driven) {
        SCOPED_TRACE(testing::Message() << "control " << want.id);
        const auto matches = [&](const DialogItem& item) { return item.id == want.id; };
        ASSERT_EQ(std::count_if(dialog.items.begin(), dialog.items.end(), matches), 1);
        const DialogItem& got = *std::find_if(dialog.items.begin(), dialog.items.end(), matches);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.style & (WS_CHILD | WS_VISIBLE | want.style), WS_CHILD | WS_VISIBLE | want.style)
            << std::hex << got.style;
        EXPECT_EQ(got.style & BS_TYPEMASK, want.style & BS_TYPEMASK) << "the kind of control";
    }

    const auto box = [](const DialogItem& item) { return RECT{item.x, item.y, item.x + item.cx, item.y + item.cy}; };
    const auto isGroup = [](const DialogItem& item) {
        return item.className == L"button" && (item.style & BS_TYPEMASK) == BS_GROUPBOX;
    };
    const RECT client{0, 0, dialog.cx, dialog.cy};
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const RECT a = box(dialog.items[i]);
        RECT clipped{};
        IntersectRect(&clipped, &a, &client);
        EXPECT_TRUE(EqualRect(&clipped, &a)) << "control " << i << " reaches beyond the dialog";
        for (size_t j = i + 1; j < dialog.items.size(); ++j) {
            const RECT b = box(dialog.items[j]);
            RECT common{};
            if (!IntersectRect(&common, &a, &b))
                continue;
            // Only a group box may share space, with the controls it frames whole.
            const bool framed = (isGroup(dialog.items[i]) && EqualRect(&common, &b)) ||
                                (isGroup(dialog.items[j]) && EqualRect(&common, &a));
            EXPECT_TRUE(framed) << "controls " << i << " and " << j << " cover each other";
        }
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
