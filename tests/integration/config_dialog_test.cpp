// The configuration dialog of the real DLL, driven on the test's thread as a
// host runs it: DVP_Configure, real clicks and notifications to its
// controls, the host's message loop until the quit message. The process-wide
// settings are observed through identification (an excluded extension is
// refused, a stream is declined when the switch is off) and the saved file
// through the host's own XML services.
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/dialog_template.h"
#include "tests/support/plugin_session.h"
#include "tests/support/saved_settings.h"

namespace {

// The dialog's numbers, as the host and its users know them.
constexpr int kTemplateId = 101;
constexpr int kDefaults = 1004;
constexpr int kApply = 1010;
constexpr int kList = 1013;
constexpr int kAdd = 1014;
constexpr int kRemove = 1015;
constexpr int kEdit = 1018;
constexpr int kStreams = 1027;

constexpr wchar_t kMessageCaption[] = L"DOpus Pictorama Plugin";
constexpr wchar_t kSaveFailedText[] = L"ERROR: Could not save config!";

const std::set<std::wstring> kDefaultExclusions = {
    L".png", L".apng", L".bga", L".bmp", L".dib", L".r14", L".r18", L".sys", L".vga", L".clp",
    L".cur", L".ico", L".iff", L".ilbm", L".lbm", L".blk", L".gif", L".giff", L".tga", L".targa",
    L".pix", L".bpx", L".ivb", L".tif", L".tiff", L".tim", L".jpg", L".jpeg", L".jfif", L".j",
    L".jpe", L".emf", L".wmf", L".psp", L".pspimage", L".psd", L".3fr", L".arw", L".bay", L".cr2",
    L".crw", L".dcr", L".dng", L".erf", L".fff", L".kdc", L".mef", L".mos", L".mrw", L".nef",
    L".nrw", L".orf", L".pef", L".raf", L".raw", L".rw2", L".sr2", L".srf", L".x3f", L".pbm",
    L".pgm", L".pnm", L".ppm", L".pcx", L".pcc", L".dcx", L".pdf", L".ai",
};

std::set<std::wstring> AsSet(const std::vector<std::wstring>& items) { return {items.begin(), items.end()}; }

class ConfigDialog : public PluginSession {
protected:
    HWND dialog = nullptr;

    void TearDown() override
    {
        if (dialog && IsWindow(dialog))
            DestroyWindow(dialog);
        PumpPending(nullptr);
        PluginSession::TearDown();
    }

    void Open(HWND parent = nullptr)
    {
        dialog = plugin.Configure(parent, nullptr, 0);
        ASSERT_NE(dialog, nullptr);
        PumpPending(dialog);
    }

    // The host's side of closing: run the loop to the quit message, then
    // destroy the window.
    void ExpectClosed()
    {
        int exitCode = -1;
        EXPECT_TRUE(PumpUntilQuit(dialog, 5000, &exitCode)) << "the dialog posted no quit message";
        EXPECT_EQ(exitCode, 0);
        EXPECT_TRUE(IsWindow(dialog)) << "the window is the host's to destroy";
        DestroyWindow(dialog);
        dialog = nullptr;
    }

    std::vector<std::wstring> Items() { return ListItems(dialog, kList); }

    std::wstring SettingsFile() { return config.file(L"DVP_QPV.oxc"); }
    SavedSettings Saved() { return ReadSavedSettings(SettingsFile()); }
    int Saves() { return HostTestbedCallCount("XMLSaveFileW"); }

    // Whether the running plug-in serves a file with this extension (a TBIM
    // image, which the stand-in library reads whatever its name).
    bool Serves(const wchar_t* extension)
    {
        const std::wstring path = Write(BgraImage(4, 3, [](int, int) { return 0xFF336699u; }),
                                        (std::wstring(L"sample") + extension).c_str());
        FileInfoRecord record{};
        return plugin.IdentifyFile(nullptr, path.c_str(), &record, nullptr) == TRUE;
    }

    bool ServesStreams()
    {
        const std::vector<uint8_t> bytes = BgraImage(4, 3, [](int, int) { return 0xFF336699u; }).Bytes();
        IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
        FileInfoRecord record{};
        const BOOL served = plugin.IdentifyFileStream(nullptr, stream, L"stream.tbim", &record);
        stream->Release();
        return served == TRUE;
    }

    void SelectExtensions(std::initializer_list<const wchar_t*> extensions)
    {
        HWND list = GetDlgItem(dialog, kList);
        SendMessageW(list, LB_SETSEL, FALSE, -1);
        for (const wchar_t* extension : extensions) {
            const int index = FindItem(dialog, kList, extension);
            ASSERT_GE(index, 0) << testing::PrintToString(std::wstring(extension));
            SendMessageW(list, LB_SETSEL, TRUE, index);
        }
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
};

TEST(ConfigDialogTemplate, BuiltDllCarriesTheLayoutControlByControl)
{
    const DialogTemplate dialog =
        ReadDialogTemplate(PluginModule::Get().module, kTemplateId, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
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

TEST_F(ConfigDialog, DefaultsThenCancelLeavesSettingsAndFileUntouched)
{
    // Cancel by its button and by the caption's close box.
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        WriteSettings({L".abc"}, false);
        const std::vector<uint8_t> before = ReadFileBytes(SettingsFile());
        Start();
        Open();
        Click(dialog, kDefaults);
        EXPECT_EQ(AsSet(Items()), kDefaultExclusions) << "the defaults are shown at once";
        EXPECT_EQ(IsDlgButtonChecked(dialog, kStreams), BST_CHECKED);
        EXPECT_TRUE(IsEnabled(dialog, kApply));
        EXPECT_TRUE(Serves(L".png")) << "Defaults alone changes nothing in force";

        if (closeBox)
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        else
            Click(dialog, IDCANCEL);
        ExpectClosed();
        EXPECT_EQ(Saves(), 0);
        EXPECT_EQ(ReadFileBytes(SettingsFile()), before);
        EXPECT_TRUE(Serves(L".png"));
        EXPECT_FALSE(Serves(L".abc"));
        EXPECT_FALSE(ServesStreams());
        Stop();
    }
}

TEST_F(ConfigDialog, DefaultsThenOkStoresTheDefaults)
{
    WriteSettings({L".abc"}, false);
    Start();
    Open();
    Click(dialog, kDefaults);
    const std::vector<std::wstring> shown = Items();
    Click(dialog, IDOK);
    ExpectClosed();

    const SavedSettings saved = Saved();
    EXPECT_EQ(saved.rootName, L"DVP_QPV");
    EXPECT_EQ(saved.excluded, shown);
    EXPECT_EQ(AsSet(saved.excluded), kDefaultExclusions);
    EXPECT_EQ(saved.excluded.size(), 68u);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});
    EXPECT_TRUE(saved.otherNodes.empty());
    EXPECT_FALSE(Serves(L".png"));
    EXPECT_TRUE(Serves(L".abc"));
    EXPECT_TRUE(ServesStreams());
}

TEST_F(ConfigDialog, OkWithoutChangesStillWritesTheFileAndLaterMessagesDoNothing)
{
    Start();
    Open();
    ASSERT_FALSE(Saved().loaded) << "no file before the first commit";
    Click(dialog, IDOK);
    int exitCode = -1;
    ASSERT_TRUE(PumpUntilQuit(dialog, 5000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Saves(), 1);
    const SavedSettings saved = Saved();
    EXPECT_EQ(AsSet(saved.excluded), kDefaultExclusions);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});

    // Closed but not yet destroyed by the host: the window no longer acts.
    Click(dialog, kDefaults);
    EXPECT_FALSE(IsEnabled(dialog, kApply));
    Click(dialog, IDOK);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED), 0);
    EXPECT_EQ(Saves(), 1);
    EXPECT_FALSE(PumpUntilQuit(dialog, 200)) << "a second quit message";
    DestroyWindow(dialog);
    dialog = nullptr;
}

TEST_F(ConfigDialog, CheckBoxCommitsTheStreamSwitch)
{
    Start();
    Open();
    ASSERT_TRUE(ServesStreams());
    Click(dialog, kStreams);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kStreams), BST_UNCHECKED);
    EXPECT_TRUE(IsEnabled(dialog, kApply));
    EXPECT_TRUE(ServesStreams()) << "not before Apply";
    Click(dialog, kApply);
    EXPECT_FALSE(ServesStreams());
    EXPECT_EQ(Saved().useForStreams, std::vector<int>{0});
    EXPECT_TRUE(Serves(L".xyz")) << "files are still served";

    Click(dialog, kStreams);
    Click(dialog, kApply);
    EXPECT_TRUE(ServesStreams());
    EXPECT_EQ(Saved().useForStreams, std::vector<int>{1});
    EXPECT_EQ(Saves(), 2);
}

TEST_F(ConfigDialog, FailedSaveShowsTheMessageAndKeepsTheNewSettingsInForce)
{
    // Apply keeps the dialog open; OK still closes once the box is dismissed.
    for (int button : {kApply, IDOK}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Apply");
        Start();
        Open();
        HostTestbedFailSave();
        SelectExtensions({L".png"});
        Click(dialog, kRemove);

        MessageBoxWatcher watcher(kMessageCaption);
        Click(dialog, button);  // returns once the watcher has dismissed the box
        const MessageBoxSeen& seen = watcher.Stop();
        ASSERT_TRUE(seen.found) << "no message box";
        EXPECT_EQ(seen.owner, dialog);
        EXPECT_EQ(seen.text, kSaveFailedText);
        EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_TRUE(seen.exclamationIcon);

        EXPECT_TRUE(Serves(L".png")) << "the new settings are in force in memory";
        EXPECT_FALSE(Saved().loaded) << "nothing reached the disk";
        if (button == IDOK) {
            ExpectClosed();
        } else {
            EXPECT_TRUE(IsWindow(dialog));
            EXPECT_FALSE(PumpUntilQuit(dialog, 200));
            Click(dialog, IDCANCEL);
            ExpectClosed();
        }
        HostTestbedStopFailing("XMLSaveFileW");
        Stop();
    }
}

TEST_F(ConfigDialog, SuccessfulSaveShowsNoMessage)
{
    Start();
    Open();
    MessageBoxWatcher watcher(kMessageCaption, 500);
    Click(dialog, kApply);
    Sleep(600);
    PumpPending(dialog);
    EXPECT_FALSE(watcher.Stop().found);
    EXPECT_EQ(Saves(), 1);
}

// --- Placement -------------------------------------------------------------

class ConfigDialogPlacement : public ConfigDialog {
protected:
    RECT workArea{};

    void SetUp() override
    {
        ConfigDialog::SetUp();
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    }

    RECT DialogRect()
    {
        RECT rect{};
        GetWindowRect(dialog, &rect);
        return rect;
    }
};

TEST_F(ConfigDialogPlacement, CentresOverTheParentInsideTheWorkArea)
{
    const LONG left = workArea.left;
    const LONG top = workArea.top;
    const LONG right = workArea.right;
    const LONG bottom = workArea.bottom;
    enum Edge { kCentred, kAtLeft, kAtRight, kAtTop, kAtBottom };
    struct Case {
        const char* name;
        RECT parent;
        Edge horizontal, vertical;
    };
    const Case cases[] = {
        // Parents larger than the dialog, so centring alone keeps it inside.
        {"inside", {left + 10, top + 10, right - 30, bottom - 20}, kCentred, kCentred},
        {"odd sizes", {left + 11, top + 13, right - 22, bottom - 9}, kCentred, kCentred},
        {"beyond the right edge", {right - 60, top + 20, right + 240, top + 420}, kAtRight, kCentred},
        {"beyond the top-left corner", {left - 300, top - 300, left + 20, top + 20}, kAtLeft, kAtTop},
        {"a strip along the bottom", {left + 40, bottom - 10, left + 440, bottom + 20}, kCentred, kAtBottom},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, c.parent.left, c.parent.top,
                                      c.parent.right - c.parent.left, c.parent.bottom - c.parent.top, nullptr,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        RECT anchor{};
        GetWindowRect(parent, &anchor);
        Open(parent);
        EXPECT_EQ(GetParent(dialog), parent) << "the parent owns the dialog";
        const RECT rect = DialogRect();
        const LONG w = rect.right - rect.left;
        const LONG h = rect.bottom - rect.top;
        ASSERT_LT(w, right - left);
        ASSERT_LT(h, bottom - top);
        if (c.horizontal == kCentred && c.vertical == kCentred) {
            ASSERT_GT(anchor.right - anchor.left, w) << "the case needs a parent larger than the dialog";
            ASSERT_GT(anchor.bottom - anchor.top, h);
        }

        const LONG centredX = anchor.left + (anchor.right - w - anchor.left) / 2;
        const LONG centredY = anchor.top + (anchor.bottom - h - anchor.top) / 2;
        const LONG expectedX = c.horizontal == kAtLeft ? left : c.horizontal == kAtRight ? right - w : centredX;
        const LONG expectedY = c.vertical == kAtTop ? top : c.vertical == kAtBottom ? bottom - h : centredY;
        EXPECT_EQ(rect.left, expectedX);
        EXPECT_EQ(rect.top, expectedY);
        EXPECT_GE(rect.left, left);
        EXPECT_LE(rect.right, right);
        EXPECT_GE(rect.top, top);
        EXPECT_LE(rect.bottom, bottom);

        Click(dialog, IDCANCEL);
        ExpectClosed();
        DestroyWindow(parent);
    }
}

TEST_F(ConfigDialogPlacement, WithoutAParentCentresOnTheWorkAreaUnderThePointer)
{
    Start();
    SetCursorPos((workArea.left + workArea.right) / 2, (workArea.top + workArea.bottom) / 2);
    Open(nullptr);
    const RECT rect = DialogRect();
    const LONG w = rect.right - rect.left;
    const LONG h = rect.bottom - rect.top;
    EXPECT_EQ(rect.left, workArea.left + (workArea.right - w - workArea.left) / 2);
    EXPECT_EQ(rect.top, workArea.top + (workArea.bottom - h - workArea.top) / 2);
}

// --- Lifetime --------------------------------------------------------------

TEST_F(ConfigDialog, OutlivesAFinalUninitWithoutTouchingFreedStateOrLaterCycles)
{
    Start();
    Open();
    Stop();  // the host shuts the plug-in down while the dialog is open
    EXPECT_FALSE(Serves(L".xyz")) << "not initialised any more";

    // Apply now: nothing to assign to, yet the choice still reaches the file
    // through the dialog's own copy of the host's services.
    SelectExtensions({L".png"});
    Click(dialog, kRemove);
    Click(dialog, kApply);
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_EQ(Saves(), 1);
    SavedSettings saved = Saved();
    EXPECT_EQ(saved.excluded.size(), 67u);
    EXPECT_EQ(std::count(saved.excluded.begin(), saved.excluded.end(), L".png"), 0);
    EXPECT_FALSE(Serves(L".png")) << "still not initialised";

    // A new cycle loads that file. The old dialog's OK must not reach into
    // the new cycle's settings, though it still saves.
    Start();
    EXPECT_TRUE(Serves(L".png"));
    EXPECT_FALSE(Serves(L".tga"));
    SelectExtensions({L".tga"});
    Click(dialog, kRemove);
    Click(dialog, kStreams);
    Click(dialog, IDOK);
    ExpectClosed();
    saved = Saved();
    EXPECT_EQ(saved.excluded.size(), 66u);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{0});
    EXPECT_FALSE(Serves(L".tga")) << "the new cycle's settings are its own";
    EXPECT_TRUE(ServesStreams());

    // A dialog of the new cycle works as usual, and the plug-in shuts down
    // and starts again cleanly.
    Open();
    EXPECT_EQ(Items().size(), 67u) << "opened on the settings the new cycle loaded";
    Click(dialog, IDCANCEL);
    ExpectClosed();
    Stop();
    Start();
    EXPECT_TRUE(Serves(L".tga")) << "loaded from the file the old dialog's OK wrote";
    EXPECT_FALSE(ServesStreams());
}

TEST_F(ConfigDialog, CommitsWhileAnyReferenceOfItsCycleRemains)
{
    Start();
    InitExRecord record = HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&record), TRUE);  // a second reference
    Open();
    plugin.Uninit();  // not the final one: the same cycle goes on
    SelectExtensions({L".png"});
    Click(dialog, kRemove);
    Click(dialog, kApply);
    EXPECT_TRUE(Serves(L".png"));
    Click(dialog, IDCANCEL);
    ExpectClosed();
}

TEST_F(ConfigDialog, HostMayDestroyAnOpenDialogAndShutDown)
{
    Start();
    Open();
    DestroyWindow(dialog);
    EXPECT_FALSE(PumpUntilQuit(nullptr, 200)) << "destroying is not closing: no quit message";
    dialog = nullptr;
    Stop();
    Start();
    Open();
    EXPECT_EQ(Items().size(), 68u);
}

}  // namespace
