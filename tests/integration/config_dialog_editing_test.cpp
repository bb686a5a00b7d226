// Editing the list in the configuration dialog: adding what the edit box
// holds, refusing what is listed, selecting, removing, and what Enter means.
#include <algorithm>

#include "tests/support/config_dialog_session.h"

namespace {

TEST_F(ConfigDialog, EnterInTheEditBoxAddsAnUnlistedExtensionWithItsDot)
{
    struct Case {
        const wchar_t* typed;
        const wchar_t* added;
    };
    const Case cases[] = {
        {L"xyz", L".xyz"},
        {L".Abc", L".Abc"},       // case kept, no second dot
        {L"tga ", L".tga "},      // the trailing space is kept: not the listed ".tga"
        {L"my ext", L".my ext"},  // inner spaces kept
    };
    Start();
    Open();
    FocusControl(dialog, kEdit);
    ASSERT_EQ(GetFocus(), GetDlgItem(dialog, kEdit));
    size_t count = Items().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.typed)));
        SetText(dialog, kEdit, c.typed);
        EXPECT_TRUE(IsEnabled(dialog, kAdd));
        PressEnter(dialog);
        ASSERT_TRUE(IsWindow(dialog)) << "Enter in the edit box must not mean OK";
        const int index = FindItem(dialog, kList, c.added);
        ASSERT_GE(index, 0);
        EXPECT_EQ(Items()[static_cast<size_t>(index)], c.added) << "stored exactly as typed, dot supplied";
        EXPECT_EQ(Items().size(), ++count);
        EXPECT_EQ(ControlText(dialog, kEdit), L"");
        EXPECT_FALSE(IsEnabled(dialog, kAdd)) << "nothing left to add";
        EXPECT_TRUE(IsEnabled(dialog, kApply));
    }

    // Typed key by key: the same.
    TypeText(dialog, kEdit, L"q");
    TypeText(dialog, kEdit, L"oi");
    EXPECT_TRUE(IsEnabled(dialog, kAdd));
    PressEnter(dialog);
    EXPECT_GE(FindItem(dialog, kList, L".qoi"), 0);

    // Applied, the new exclusion is in force.
    EXPECT_TRUE(Serves(L".xyz"));
    Click(dialog, kApply);
    EXPECT_FALSE(Serves(L".xyz"));
    EXPECT_FALSE(Serves(L".qoi"));
    const SavedSettings saved = Saved();
    EXPECT_NE(std::find(saved.excluded.begin(), saved.excluded.end(), L".tga "), saved.excluded.end());
    EXPECT_NE(std::find(saved.excluded.begin(), saved.excluded.end(), L".Abc"), saved.excluded.end());
}

TEST_F(ConfigDialog, ListedExtensionInAnyCaseKeepsAddDisabledAndRefusesTheCommand)
{
    Start();
    Open();
    FocusControl(dialog, kEdit);
    const size_t count = Items().size();
    for (const wchar_t* typed : {L"jpg", L"JPG", L".JPG", L".jpg", L"Png", L""}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(typed)));
        SetText(dialog, kEdit, L"unlisted");
        ASSERT_TRUE(IsEnabled(dialog, kAdd));
        SetText(dialog, kEdit, typed);
        EXPECT_FALSE(IsEnabled(dialog, kAdd));

        // Enter, and the Add command itself (what Enter produces while Add
        // is the default button): refused, nothing changes.
        PressEnter(dialog);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kAdd, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kAdd)));
        ASSERT_TRUE(IsWindow(dialog));
        EXPECT_EQ(Items().size(), count);
        EXPECT_EQ(ControlText(dialog, kEdit), typed);
        EXPECT_FALSE(IsEnabled(dialog, kApply)) << "a refused add changes nothing";
    }
}

TEST_F(ConfigDialog, EnterOutsideTheEditBoxMeansOk)
{
    Start();
    Open();
    FocusControl(dialog, kEdit);
    SetText(dialog, kEdit, L"xyz");
    FocusControl(dialog, kList);  // leaving the edit box makes OK the default again
    const LRESULT defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    EXPECT_EQ(LOWORD(defaultId), IDOK);
    PressEnter(dialog);
    ExpectClosed();
    EXPECT_EQ(Saves(), 1);
    EXPECT_EQ(AsSet(Saved().excluded), kDefaultExclusions) << "xyz was typed but never added";
}

TEST_F(ConfigDialog, SelectingAnItemOffersItInTheEditBoxAndEnablesRemove)
{
    Start();
    Open();
    SelectExtensions({L".png"});
    EXPECT_EQ(ControlText(dialog, kEdit), L".png");
    EXPECT_FALSE(IsEnabled(dialog, kAdd)) << "the offered item is already listed";
    EXPECT_TRUE(IsEnabled(dialog, kRemove));

    // Several selected: the lowest one is offered.
    SelectExtensions({L".tga", L".bmp", L".ico"});
    EXPECT_EQ(ControlText(dialog, kEdit), L".bmp");
    EXPECT_TRUE(IsEnabled(dialog, kRemove));

    // Nothing selected any more: Remove goes, the edit box keeps its text.
    SelectItems(dialog, kList, {});
    EXPECT_FALSE(IsEnabled(dialog, kRemove));
    EXPECT_EQ(ControlText(dialog, kEdit), L".bmp");
    EXPECT_FALSE(IsEnabled(dialog, kApply)) << "selecting changes no settings";
}

TEST_F(ConfigDialog, RemoveDeletesEverySelectedItemAndApplyStoresTheRest)
{
    Start();
    Open();
    SelectExtensions({L".x3f", L".png", L".tga"});  // far apart: the indices shift as items go
    Click(dialog, kRemove);
    std::set<std::wstring> expected = kDefaultExclusions;
    for (const wchar_t* removed : {L".x3f", L".png", L".tga"})
        expected.erase(removed);
    EXPECT_EQ(AsSet(Items()), expected);
    EXPECT_EQ(Items().size(), 65u);
    EXPECT_FALSE(IsEnabled(dialog, kRemove));
    EXPECT_TRUE(IsEnabled(dialog, kApply));

    EXPECT_FALSE(Serves(L".png")) << "nothing is in force before Apply";
    Click(dialog, kApply);
    EXPECT_FALSE(IsEnabled(dialog, kApply)) << "Apply disables itself";
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(Serves(L".png"));
    EXPECT_TRUE(Serves(L".tga"));
    EXPECT_FALSE(Serves(L".bmp"));
    const SavedSettings saved = Saved();
    EXPECT_EQ(saved.excluded, Items()) << "stored in the list box's displayed order";
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});
}

TEST_F(ConfigDialog, RemovingEverythingStoresAnEmptyListThatTheNextStartKeeps)
{
    Start();
    Open();
    HWND list = GetDlgItem(dialog, kList);
    SendMessageW(list, LB_SETSEL, TRUE, -1);  // every item
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Click(dialog, kRemove);
    EXPECT_TRUE(Items().empty());
    Click(dialog, IDOK);
    ExpectClosed();

    const SavedSettings saved = Saved();
    ASSERT_TRUE(saved.loaded);
    EXPECT_TRUE(saved.excluded.empty());
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});
    EXPECT_TRUE(Serves(L".png"));
    Stop();
    Start();
    EXPECT_TRUE(Serves(L".png")) << "an empty list loads as empty, not as the defaults";
    EXPECT_TRUE(Serves(L".jpg"));
}

}  // namespace
