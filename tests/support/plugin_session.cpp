#include "tests/support/plugin_session.h"

#include "testbed/host/host_stream.h"
#include "testbed/host/host_testbed_control.h"

std::string SettingsDocument(const std::string& children, const std::string& root)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + root + ">" + children + "</" + root + ">\r\n";
}

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

bool PluginSession::Start()
{
    dvp::InitExRecord record = dvp::HostRecord(13);
    started = plugin.InitEx(&record) == TRUE;
    EXPECT_TRUE(started) << "DVP_InitEx refused to start";
    return started;
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
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, reinterpret_cast<char*>(utf8.data()), size, nullptr,
                        nullptr);
    utf8.pop_back();  // no terminator in the file
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), utf8));
}

std::wstring PluginSession::Write(const TbimImage& image, const wchar_t* name)
{
    const std::wstring path = files.file(name);
    EXPECT_TRUE(WriteFileBytes(path, image.Bytes()));
    return path;
}

BOOL PluginSession::IdentifyStream(const std::vector<uint8_t>& bytes, const wchar_t* name,
                                   dvp::FileInfoRecord* record)
{
    const UniqueHostStream stream(HostStream::Create(bytes));
    EXPECT_TRUE(stream);
    return stream ? plugin.IdentifyFileStreamW(nullptr, stream.get(), name, record) : FALSE;
}

HBITMAP PluginSession::LoadStream(const std::vector<uint8_t>& bytes, const wchar_t* name,
                                  dvp::FileInfoRecord* record)
{
    const UniqueHostStream stream(HostStream::Create(bytes));
    EXPECT_TRUE(stream);
    return stream ? plugin.LoadBitmapStreamW(nullptr, stream.get(), name, record, nullptr, nullptr) : nullptr;
}

void PluginSession::ExpectLibraryObjectsFreed()
{
    const TestbedCounters counters = library.Counters();
    EXPECT_EQ(counters.outstandingBitmaps, 0);
    EXPECT_EQ(counters.outstandingFileInfos, 0);
}

const wchar_t* PluginSession::HandledExtensions()
{
    dvp::PluginInfoRecord info{};
    info.size = sizeof(info);
    plugin.IdentifyW(&info);
    return info.handledExtensions;
}
