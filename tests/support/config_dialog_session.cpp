#include "tests/support/config_dialog_session.h"

#include "settings/default_exclusions.h"
#include "testbed/host/host_testbed_control.h"

const std::set<std::wstring> kDefaultExclusions(DefaultExcludedExtensions.begin(), DefaultExcludedExtensions.end());

std::set<std::wstring> AsSet(const std::vector<std::wstring>& items) { return {items.begin(), items.end()}; }

void ConfigDialog::TearDown()
{
    if (dialog && IsWindow(dialog))
        DestroyWindow(dialog);
    PumpPending(nullptr);
    PluginSession::TearDown();
}

void ConfigDialog::Open(HWND parent)
{
    dialog = plugin.Configure(parent, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    PumpPending(dialog);
}

void ConfigDialog::ExpectClosed()
{
    int exitCode = -1;
    EXPECT_TRUE(PumpUntilQuit(dialog, 5000, &exitCode)) << "the dialog posted no quit message";
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(IsWindow(dialog)) << "the window is the host's to destroy";
    DestroyWindow(dialog);
    dialog = nullptr;
}

void ConfigDialog::SelectExtensions(std::initializer_list<const wchar_t*> extensions)
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

int ConfigDialog::Saves() { return HostTestbedCallCount("XMLSaveFileW"); }

bool ConfigDialog::Serves(const wchar_t* extension)
{
    const std::wstring name = std::wstring(L"sample") + extension;
    const std::wstring path = Write(SolidImage(4, 3, 0xFF336699u), name.c_str());
    dvp::FileInfoRecord record{};
    return plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr) == TRUE;
}

bool ConfigDialog::ServesStreams()
{
    dvp::FileInfoRecord record{};
    return IdentifyStream(SolidImage(4, 3, 0xFF336699u).Bytes(), L"stream.tbim", &record) == TRUE;
}
