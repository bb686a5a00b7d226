#include "tests/support/plugin_session.h"

#include <string>

#include "testbed/host/host_testbed_control.h"

void PluginSession::SetUp()
{
    HostTestbedReset();
    HostTestbedSetConfigFolder(config.path().c_str());
    library.Reset();
}

void PluginSession::TearDown()
{
    if (started)
        Stop();
}

void PluginSession::Start()
{
    InitExRecord record = HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&record), TRUE);
    started = true;
}

void PluginSession::Stop()
{
    plugin.Uninit();
    started = false;
}

void PluginSession::WriteSettings(std::initializer_list<const wchar_t*> excluded, bool useForStreams)
{
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DVP_QPV>\n";
    for (const wchar_t* extension : excluded)
        text += std::wstring(L"  <ExcludedExtension>") + extension + L"</ExcludedExtension>\n";
    text += std::wstring(L"  <UseQPVForStreams>") + (useForStreams ? L"1" : L"0") + L"</UseQPVForStreams>\n";
    text += L"</DVP_QPV>\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<uint8_t> utf8(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, reinterpret_cast<char*>(utf8.data()), size, nullptr, nullptr);
    utf8.pop_back();  // no terminator in the file
    ASSERT_TRUE(WriteFileBytes(config.file(L"DVP_QPV.oxc"), utf8));
}

std::wstring PluginSession::Write(const TbimImage& image, const wchar_t* name)
{
    const std::wstring path = files.file(name);
    EXPECT_TRUE(WriteFileBytes(path, image.Bytes()));
    return path;
}
