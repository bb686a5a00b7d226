// PluginSettings: the built-in exclusions, the reset, and the copy rules
// under the per-instance locks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "settings/plugin_settings.h"
#include "tests/support/row_name.h"

namespace {

using namespace std::chrono_literals;

PluginSettings MakeSettings(ExtensionList list, int32_t streams)
{
    PluginSettings settings;
    settings.excludedExtensions = std::move(list);
    settings.useForStreams = streams;
    return settings;
}

// Runs work on another thread; true when it finished within the time limit.
// A thread that deadlocked is left behind (the test process ends anyway).
bool FinishesWithin(std::function<void()> work, std::chrono::milliseconds limit = 10s)
{
    auto task = std::make_shared<std::packaged_task<void()>>(std::move(work));
    auto done = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    return done.wait_for(limit) == std::future_status::ready;
}

TEST(DefaultExclusions, Hold68DistinctLowerCaseDottedEntriesInAppendOrder)
{
    ASSERT_EQ(DefaultExcludedExtensions.size(), 68u);
    EXPECT_STREQ(DefaultExcludedExtensions.front(), L".png");
    EXPECT_STREQ(DefaultExcludedExtensions[29], L".j");
    EXPECT_STREQ(DefaultExcludedExtensions.back(), L".ai");
    std::set<std::wstring> distinct;
    for (const wchar_t* extension : DefaultExcludedExtensions) {
        std::wstring text(extension);
        EXPECT_EQ(text[0], L'.') << text;
        EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'A' && c <= L'Z'; }))
            << text;
        distinct.insert(text);
    }
    EXPECT_EQ(distinct.size(), 68u);
}

TEST(PluginSettings, StartsEmptyWithStreamsOn)
{
    PluginSettings settings;
    EXPECT_TRUE(settings.excludedExtensions.empty());
    EXPECT_EQ(settings.useForStreams, 1);
}

TEST(PluginSettings, ResetReplacesUserEntriesWithSortedDefaultsAndStreamsOn)
{
    PluginSettings settings = MakeSettings({L".zzz", L".jpg", L"PNG", L""}, 0);
    settings.ResetToDefaults();

    const ExtensionList& list = settings.excludedExtensions;
    ASSERT_EQ(list.size(), 68u);
    EXPECT_EQ(settings.useForStreams, 1);
    EXPECT_EQ(ExtensionList(list.begin(), list.begin() + 4), (ExtensionList{L".3fr", L".ai", L".apng", L".arw"}));
    EXPECT_EQ(ExtensionList(list.end() - 3, list.end()), (ExtensionList{L".vga", L".wmf", L".x3f"}));
    auto at = [&](const wchar_t* extension) { return std::find(list.begin(), list.end(), extension) - list.begin(); };
    EXPECT_LT(at(L".j"), at(L".jfif"));
    EXPECT_LT(at(L".tif"), at(L".tiff"));
    EXPECT_LT(at(L".psp"), at(L".pspimage"));
    EXPECT_EQ(std::set<std::wstring>(list.begin(), list.end()),
              std::set<std::wstring>(DefaultExcludedExtensions.begin(), DefaultExcludedExtensions.end()));
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
}

TEST(PluginSettings, ResetCompletesWhileTheSameThreadHoldsTheLock)
{
    PluginSettings settings = MakeSettings({L".user"}, 0);
    ASSERT_TRUE(FinishesWithin([&] {
        Lock held(settings.lock);
        settings.excludedExtensions.clear();
        settings.ResetToDefaults();
    }));
    EXPECT_EQ(settings.excludedExtensions.size(), 68u);
    EXPECT_EQ(settings.useForStreams, 1);
}

TEST(PluginSettings, CopyConstructionCopiesEveryFieldAndStaysIndependent)
{
    PluginSettings source = MakeSettings({L".a", L".b"}, 0);
    PluginSettings copy(source);
    EXPECT_EQ(copy.excludedExtensions, (ExtensionList{L".a", L".b"}));
    EXPECT_EQ(copy.useForStreams, 0);

    copy.excludedExtensions.push_back(L".c");
    copy.useForStreams = 1;
    EXPECT_EQ(source.excludedExtensions, (ExtensionList{L".a", L".b"}));
    EXPECT_EQ(source.useForStreams, 0);

    source.excludedExtensions[0] = L".changed";
    EXPECT_EQ(copy.excludedExtensions, (ExtensionList{L".a", L".b", L".c"}));
}

TEST(PluginSettings, CopyAssignmentCopiesEveryFieldAndStaysIndependent)
{
    PluginSettings source = MakeSettings({L".a", L".b"}, 0);
    PluginSettings target;
    target.excludedExtensions = {L".old1", L".old2", L".old3"};

    target = source;
    EXPECT_EQ(target.excludedExtensions, (ExtensionList{L".a", L".b"}));
    EXPECT_EQ(target.useForStreams, 0);

    target.excludedExtensions.clear();
    EXPECT_EQ(source.excludedExtensions, (ExtensionList{L".a", L".b"}));
    source.excludedExtensions.push_back(L".c");
    source.useForStreams = 1;
    EXPECT_TRUE(target.excludedExtensions.empty());
    EXPECT_EQ(target.useForStreams, 0);
}

TEST(PluginSettings, SelfAssignmentChangesNothingAndTakesNoLock)
{
    PluginSettings settings = MakeSettings({L".a", L".b"}, 0);
    // Another thread holds the lock: a self-assignment that locked would wait.
    std::promise<void> holding, release;
    std::thread holder([&] {
        Lock held(settings.lock);
        holding.set_value();
        release.get_future().wait();
    });
    holding.get_future().wait();
    PluginSettings& alias = settings;
    const bool finished = FinishesWithin([&] { settings = alias; }, 2s);
    release.set_value();
    holder.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(settings.excludedExtensions, (ExtensionList{L".a", L".b"}));
    EXPECT_EQ(settings.useForStreams, 0);
}

// Each copy operation must wait for every lock it is documented to take.
struct HeldLockCase {
    const char* name;
    bool holdSource;  // else the destination's lock is held
    bool assign;      // else copy construction
};

void PrintTo(const HeldLockCase& row, std::ostream* out)
{
    *out << row.name;
}

class CopyWaitsForLock : public testing::TestWithParam<HeldLockCase> {};

TEST_P(CopyWaitsForLock, AndThenSeesTheFinishedUpdate)
{
    const HeldLockCase& row = GetParam();
    PluginSettings source = MakeSettings({L".first"}, 1);
    PluginSettings destination = MakeSettings({L".dest"}, 1);
    std::atomic<bool> copied{false};
    ExtensionList seen;

    std::thread copier;
    {
        Lock held(row.holdSource ? source.lock : destination.lock);
        copier = std::thread([&] {
            if (row.assign) {
                destination = source;
                seen = destination.excludedExtensions;
            } else {
                PluginSettings copy(source);
                seen = copy.excludedExtensions;
            }
            copied = true;
        });
        std::this_thread::sleep_for(200ms);
        EXPECT_FALSE(copied.load()) << "the copy did not wait for the lock";
        // Half of an update, then the rest, all under the lock.
        source.excludedExtensions.push_back(L".second");
        source.useForStreams = 0;
    }
    copier.join();
    EXPECT_EQ(seen, (ExtensionList{L".first", L".second"}));
}

INSTANTIATE_TEST_SUITE_P(Rows, CopyWaitsForLock,
                         testing::Values(HeldLockCase{"ConstructionSource", true, false},
                                         HeldLockCase{"AssignmentSource", true, true},
                                         HeldLockCase{"AssignmentDestination", false, true}),
                         RowName{});

TEST(PluginSettings, ConcurrentCopiesNeverSeeAHalfAssignedList)
{
    PluginSettings defaults = MakeSettings({}, 1);
    defaults.ResetToDefaults();
    PluginSettings other = MakeSettings({L".one", L".two", L".three", L".four", L".five"}, 0);
    PluginSettings shared = defaults;

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 5000 && !stop; ++i)
            shared = (i % 2) ? defaults : other;
    });
    int torn = 0;
    for (int i = 0; i < 5000; ++i) {
        PluginSettings copy(shared);
        const bool isDefaults =
            copy.excludedExtensions == defaults.excludedExtensions && copy.useForStreams == 1;
        const bool isOther = copy.excludedExtensions == other.excludedExtensions && copy.useForStreams == 0;
        if (!isDefaults && !isOther)
            ++torn;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
