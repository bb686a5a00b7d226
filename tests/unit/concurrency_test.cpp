// The plug-in under several host threads at once, in-process: identification
// and decoding on four threads while a fifth commits alternating settings as
// the dialog's commit does, and start-up and shut-down racing each other.
// Every answer must come from one whole list, every copy must equal one of
// the lists, nothing may deadlock (each run has a time-out) and the counts
// must balance.
//
// The threads record what they saw in atomics; the checks run on the test's
// own thread afterwards (this build's gtest is not thread-safe).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "testbed/host/host_stream.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/unit/in_process_state.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRunLimit = std::chrono::seconds(20);    // the threads stop on their own by then
constexpr auto kDeadlockLimit = std::chrono::seconds(60);

// Runs the bodies on threads of their own and waits for all of them. A run
// that outlives the limit is a deadlock: nothing can free the threads, so
// the program ends with a message instead of hanging until the suite's
// time-out.
void RunConcurrently(const std::vector<std::function<void()>>& bodies)
{
    std::atomic<size_t> finished{0};
    std::vector<std::thread> threads;
    for (const auto& body : bodies)
        threads.emplace_back([&finished, &body] {
            body();
            finished.fetch_add(1);
        });
    const auto deadline = Clock::now() + kDeadlockLimit;
    while (finished.load() < bodies.size()) {
        if (Clock::now() > deadline) {
            fprintf(stderr, "DEADLOCK: %zu of %zu threads still running after %lld s\n",
                    bodies.size() - finished.load(), bodies.size(),
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(kDeadlockLimit).count()));
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        Sleep(5);
    }
    for (std::thread& thread : threads)
        thread.join();
}

ExtensionList Fillers(const wchar_t* prefix, int count)
{
    ExtensionList list;
    for (int i = 0; i < count; ++i)
        list.push_back(prefix + std::to_wstring(1000 + i));
    return list;
}

class Concurrency : public PluginSession {
protected:
    std::vector<uint8_t> image = BgraImage(3, 2, [](int x, int y) { return 0xFF000000u | (x * 16 + y); }).Bytes();

    std::wstring WriteImage(const wchar_t* name)
    {
        const std::wstring path = files.file(name);
        EXPECT_TRUE(WriteFileBytes(path, image));
        return path;
    }

    // Off the test's thread, so without the fixture's checks.
    BOOL IdentifiesStream(const wchar_t* name)
    {
        const UniqueHostStream stream(HostStream::Create(image));
        if (!stream)
            return FALSE;
        dvp::FileInfoRecord record{};
        const BOOL result = plugin.IdentifyFileStreamW(nullptr, stream.get(), name, &record);
        return result && record.width == 3 ? TRUE : FALSE;
    }
};

TEST_F(Concurrency, IdentificationSeesOneWholeListWhileCommitsAlternate)
{
    ASSERT_TRUE(Start());
    // List A excludes .aaa, list B .bbb; both exclude .common, A first, B
    // last, so a list torn or half-copied during an assignment shows up as a
    // .common name accepted. Long lists make each copy take a while.
    PluginSettings listA(*ProcessSettings());
    listA.excludedExtensions = {L".common"};
    for (const std::wstring& filler : Fillers(L".fa", 300))
        listA.excludedExtensions.push_back(filler);
    listA.excludedExtensions.push_back(L".aaa");
    listA.useForStreams = 1;
    PluginSettings listB(*ProcessSettings());
    listB.excludedExtensions = {L".bbb"};
    for (const std::wstring& filler : Fillers(L".fb", 300))
        listB.excludedExtensions.push_back(filler);
    listB.excludedExtensions.push_back(L".common");
    listB.useForStreams = 1;
    *ProcessSettings() = listA;

    const std::wstring aaa = WriteImage(L"x.aaa");
    const std::wstring bbb = WriteImage(L"x.bbb");
    const std::wstring common = WriteImage(L"x.common");

    std::atomic<bool> identifiersDone{false};
    std::atomic<int> aaaRefused{0}, aaaAccepted{0}, bbbRefused{0}, bbbAccepted{0};
    std::atomic<int> commonAccepted{0}, unlistedRefused{0}, tornCopies{0}, streamsOff{0}, failedDecodes{0};
    std::atomic<int> operations{0}, commits{0};
    const auto stopAt = Clock::now() + kRunLimit;

    auto identifier = [&] {
        for (int i = 0; i < 3000 && Clock::now() < stopAt; ++i) {
            dvp::FileInfoRecord record{};
            switch (i % 7) {
            case 0:
                (plugin.IdentifyFileW(nullptr, aaa.c_str(), &record, nullptr) ? aaaAccepted : aaaRefused)++;
                break;
            case 1:
                (plugin.IdentifyFileW(nullptr, bbb.c_str(), &record, nullptr) ? bbbAccepted : bbbRefused)++;
                break;
            case 2:
                if (plugin.IdentifyFileW(nullptr, common.c_str(), &record, nullptr))
                    commonAccepted++;
                break;
            case 3:
                if (!IdentifiesStream(L"x.unlisted"))
                    unlistedRefused++;
                break;
            case 4:
                if (IdentifiesStream(L"x.common"))
                    commonAccepted++;
                break;
            case 5: {
                const PluginSettings copy(*ProcessSettings());
                if (copy.excludedExtensions != listA.excludedExtensions &&
                    copy.excludedExtensions != listB.excludedExtensions)
                    tornCopies++;
                if (copy.useForStreams != 1)
                    streamsOff++;
                break;
            }
            default: {
                // Loading reads no settings: it decodes whatever the list says.
                HBITMAP bitmap = plugin.LoadBitmapW(nullptr, aaa.c_str(), &record, nullptr, nullptr);
                if (!bitmap)
                    failedDecodes++;
                else
                    DeleteObject(bitmap);
                break;
            }
            }
            operations++;
        }
    };
    auto committer = [&] {
        // Assigned as the dialog's commit assigns its working copy.
        for (int i = 0; !identifiersDone.load() && i < 2000000; ++i) {
            *ProcessSettings() = (i % 2) ? listA : listB;
            commits++;
        }
    };
    RunConcurrently({[&] {
                         RunConcurrently({identifier, identifier, identifier, identifier});
                         identifiersDone.store(true);
                     },
                     committer});

    printf("[ threads  ] %d operations against %d commits; .aaa refused %d / accepted %d, .bbb refused %d / "
           "accepted %d\n",
           operations.load(), commits.load(), aaaRefused.load(), aaaAccepted.load(), bbbRefused.load(),
           bbbAccepted.load());
    EXPECT_EQ(commonAccepted.load(), 0) << "an answer came from a list without .common";
    EXPECT_EQ(unlistedRefused.load(), 0) << "an answer came from a list excluding what neither list holds";
    EXPECT_EQ(tornCopies.load(), 0) << "a copy equalled neither list";
    EXPECT_EQ(streamsOff.load(), 0);
    EXPECT_EQ(failedDecodes.load(), 0);
    // Both lists were really seen by identification while they alternated.
    EXPECT_GT(aaaRefused.load(), 0);
    EXPECT_GT(aaaAccepted.load(), 0);
    EXPECT_GT(bbbRefused.load(), 0);
    EXPECT_GT(bbbAccepted.load(), 0);
    EXPECT_GT(commits.load(), 100);
    const ExtensionList last = ProcessSettings()->excludedExtensions;
    EXPECT_TRUE(last == listA.excludedExtensions || last == listB.excludedExtensions);
    EXPECT_EQ(library.Counters().outstandingFileInfos, 0);
    EXPECT_EQ(library.Counters().outstandingBitmaps, 0);
}

TEST_F(Concurrency, StartAndShutDownFromManyThreadsBalanceWhileOneReferenceIsHeld)
{
    ASSERT_TRUE(Start());
    const std::wstring path = WriteImage(L"held.other");
    std::atomic<int> refusedStarts{0}, refusedIdentifications{0};
    const auto stopAt = Clock::now() + kRunLimit;
    auto cycler = [&] {
        dvp::InitExRecord record = dvp::HostRecord(13);
        for (int i = 0; i < 200 && Clock::now() < stopAt; ++i) {
            if (plugin.InitEx(&record) != TRUE)
                refusedStarts++;
            dvp::FileInfoRecord info{};
            if (plugin.IdentifyFileW(nullptr, path.c_str(), &info, nullptr) != TRUE)
                refusedIdentifications++;
            plugin.Uninit();
        }
    };
    const PluginSettings* held = ProcessSettings();
    RunConcurrently({cycler, cycler, cycler, cycler});

    EXPECT_EQ(refusedStarts.load(), 0);
    EXPECT_EQ(refusedIdentifications.load(), 0) << "the held reference keeps the plug-in started";
    EXPECT_EQ(InitCount(), 1);
    EXPECT_EQ(ProcessSettings(), held) << "no call rebuilt what the held reference keeps";
    ASSERT_NE(ProcessSettings(), nullptr);
    Stop();
    EXPECT_EQ(InitCount(), 0);
    EXPECT_EQ(ProcessSettings(), nullptr);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
}

TEST_F(Concurrency, WholeStartUpCyclesFromManyThreadsEndShutDown)
{
    WriteFileBytes(SettingsFile(), std::vector<uint8_t>{});  // unreadable: every start-up falls back
    std::atomic<int> refusedStarts{0}, startedCycles{0};
    const auto stopAt = Clock::now() + kRunLimit;
    auto cycler = [&] {
        dvp::InitExRecord record = dvp::HostRecord(13);
        for (int i = 0; i < 100 && Clock::now() < stopAt; ++i) {
            if (plugin.InitEx(&record) != TRUE)
                refusedStarts++;
            else
                startedCycles++;
            plugin.Uninit();
        }
    };
    RunConcurrently({cycler, cycler, cycler, cycler});

    EXPECT_EQ(refusedStarts.load(), 0);
    EXPECT_EQ(InitCount(), 0);
    EXPECT_EQ(ProcessSettings(), nullptr);
    EXPECT_EQ(State().handledExtensions(), nullptr);
    EXPECT_GT(startedCycles.load(), 0);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
    EXPECT_EQ(HostTestbedInvalidHandleCalls(), 0);
}

}  // namespace
