#include "tests/support/plugin_session.h"

#include "testbed/host/host_stream.h"
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
    const std::vector<std::wstring> list(excluded.begin(), excluded.end());
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsDocument(SettingsChildren(list, useForStreams))));
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
