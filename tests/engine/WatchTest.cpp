#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "Watch.h"
#include "WatchLine.h"

namespace morvane {
namespace {

const LocalDateTime Yesterday{2024, 3, 1, 12, 0, 0};
const LocalDateTime Later{2024, 3, 1, 13, 0, 0};

// Checks as the window runs them: start, the answers taken at each notify, the end once every
// file has answered or, for held ones, once the others have, on a clock of the test's own.
class Watches : public ::testing::Test {
protected:
    // Shared with the lookup threads, which may outlive the test's objects.
    std::shared_ptr<testing::FakeFileSystem> sharedFiles =
        std::make_shared<testing::FakeFileSystem>();
    testing::FakeFileSystem& files = *sharedFiles;
    testing::FakeClock clock;
    Platform platform{files, clock, testing::realPlatform().codec(),
                      testing::realPlatform().collator()};
    WatchedFiles watched;
    Records records;
    std::mutex mutex;
    std::condition_variable woken;
    bool notified = false;
    Watch check{platform, std::make_unique<LookupWorkers>(sharedFiles, [this] {
                    const std::lock_guard<std::mutex> lock(mutex);
                    notified = true;
                    woken.notify_all();
                })};
    Instant started;

    void watch(const std::vector<std::string>& paths) {
        WatchList list;
        for (const std::string& path : paths) list.push_back(makeWatchLine("n", path));
        watched = watchedFiles(platform.codec, list);
        check.setFiles(watched);
    }
    // Whether every file has answered: the watch ends its check at once.
    bool allAnswered() {
        check.answer();
        return check.lookups().pendingCount() == 0;
    }
    // Takes answers as they come until only `held` lookups are left running. Where no answer
    // has come for a while, the pending paths are set apart, once, as the window does.
    void awaitAnswers(std::size_t held) {
        bool setApart = false;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!allAnswered() && check.lookups().pendingCount() > held) {
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the lookups stopped";
            std::unique_lock<std::mutex> lock(mutex);
            if (!woken.wait_for(lock, std::chrono::milliseconds(20), [&] { return notified; }) &&
                !setApart) {
                check.poll(started + SetApartAfter);
                setApart = true;
            }
            notified = false;
        }
    }
    // A check that ends when every lookup but `held` ones has answered.
    void runCheck(bool rebuild, std::size_t held = 0) {
        started += std::chrono::seconds(2);
        check.start(rebuild, started);
        awaitAnswers(held);
        ASSERT_TRUE(check.poll(started + CheckDeadline).finished);
        records.clear();
        for (const WatchRow& row : check.rows()) records.push_back(row.record);
    }
    std::string states() const {
        std::string out;
        for (const std::string& record : records) out += stateCode(stateOf(record));
        return out;
    }
};

TEST_F(Watches, AFileThatDoesNotAnswerKeepsItsRecordAndIsAskedOnceTillItAnswers) {
    files.put("/w/a", "a", Yesterday);
    files.put("/w/b", "b", Yesterday);
    files.put("/w/c", "c", Yesterday);
    watch({"/w/a", "/w/b", "/w/c"});
    runCheck(true);
    ASSERT_EQ(states(), "000");
    const std::string heldRecord = records[0];

    files.hold("/w/a");
    files.files["/w/a"].modified = Later;
    files.files["/w/b"].modified = Later;
    files.files.erase("/w/c");
    runCheck(false, 1);
    EXPECT_EQ(records[0], heldRecord);
    EXPECT_EQ(states(), "019") << "the others answer; a failed lookup is not found";
    files.awaitLookUp("/w/a", 2);  // the held lookup has begun
    runCheck(false, 1);
    EXPECT_EQ(records[0], heldRecord);
    EXPECT_EQ(files.lookUpsOf("/w/a"), 2) << "not asked again while its lookup is pending";

    files.release("/w/a");
    awaitAnswers(0);  // its answer comes between two checks
    runCheck(false);
    EXPECT_EQ(states(), "109");
    EXPECT_EQ(files.lookUpsOf("/w/a"), 2) << "the late answer stands for this check's lookup";
    runCheck(false);
    EXPECT_EQ(states(), "209");
    EXPECT_EQ(files.lookUpsOf("/w/a"), 3);
}

TEST_F(Watches, ARebuiltFileWaitsForItsFirstAnswerAndTakesItAsARebuildDoes) {
    files.put("/w/a", "a", Yesterday);
    files.put("/w/b", "b", {2024, 3, 2, 8, 0, 0});
    watch({"/w/a", "/w/b"});
    files.hold("/w/a");
    runCheck(true, 1);
    EXPECT_EQ(records[0].substr(20),
              "800" + padOrCut("n", 20) + padOrCut("a", 20) + std::string(29, ' ') + "/w/");
    EXPECT_EQ(states(), "83");
    files.release("/w/a");
    runCheck(false);
    EXPECT_EQ(states(), "03") << "not changed: the blank time is no older time";
}

TEST_F(Watches, AQuickFileAnswersAtEveryCheckWhileTwentyBeforeItHang) {
    std::vector<std::string> paths;
    for (int i = 0; i < 20; ++i) {
        paths.push_back("/w/held" + std::to_string(i));
        files.put(paths.back());
        files.hold(paths.back());
    }
    paths.push_back("/w/quick");
    files.put("/w/quick", "q", Yesterday);
    watch(paths);
    runCheck(true, 20);
    EXPECT_EQ(states(), std::string(20, '8') + "0");
    files.files["/w/quick"].modified = Later;
    runCheck(false, 20);
    EXPECT_EQ(states().back(), '1') << "asked again and answered within the check";
    EXPECT_EQ(files.lookUpsOf("/w/held0"), 1);
    for (const std::string& path : paths) files.release(path);
    files.awaitNoLookUp();
}

TEST_F(Watches, AThrowingLookupIsNotFoundOnThreadsAsAtOnce) {
    files.put("/w/a").kind = testing::FakeFile::LookupThrows;
    files.put("/w/b", "b", Yesterday);
    watch({"/w/a", "/w/b"});
    runCheck(true);
    Watch atOnce(platform, std::make_unique<LookupsAtOnce>(files));
    atOnce.setFiles(watched);
    morvane::runCheck(atOnce, true);
    EXPECT_EQ(states(), "90");
    EXPECT_EQ(atOnce.rows()[0].record, records[0]);
    EXPECT_EQ(atOnce.outcome().unanswered, 0u);
}

// The times a check keeps to, on the test's own instants: the hung file's lookup never ends.
TEST_F(Watches, AHungFileHoldsACheckToItsDeadlineAndNoLongerOnceItIsNotWatched) {
    files.put("/w/hung", "h", Yesterday);
    files.put("/w/b", "b", Yesterday);
    watch({"/w/hung", "/w/b"});
    files.hold("/w/hung");
    started += std::chrono::seconds(2);
    check.start(true, started);
    awaitAnswers(1);
    EXPECT_EQ(check.poll(started + SetApartAfter).next, started + CheckDeadline);
    EXPECT_FALSE(check.poll(started + CheckDeadline - std::chrono::milliseconds(1)).finished);
    EXPECT_TRUE(check.poll(started + CheckDeadline).finished);

    // Taken out of the list, it is pending no more: the next checks end with the others.
    watch({"/w/b"});
    for (const bool rebuild : {true, false}) {
        started += std::chrono::seconds(2);
        check.start(rebuild, started);
        awaitAnswers(0);
        EXPECT_TRUE(check.poll(started).finished) << rebuild;
    }
    files.release("/w/hung");
    files.awaitNoLookUp();
}

TEST_F(Watches, EachCheckWakesTheLookupThreadWithoutSettingItsPathsApart) {
    files.put("/w/a", "a", Yesterday);
    watch({"/w/a"});
    for (int i = 0; i < 3; ++i) {
        started += std::chrono::seconds(2);
        check.start(i == 0, started);
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(woken.wait_for(lock, std::chrono::seconds(10), [&] { return notified; }))
            << "check " << i << " was not looked up";
        notified = false;
        lock.unlock();
        EXPECT_TRUE(check.poll(started).finished) << i;
    }
}

TEST_F(Watches, ARebuildWhileACheckRunsTakesItsPlace) {
    files.put("/w/a", "a", Yesterday);
    files.put("/w/b", "b", Yesterday);
    watch({"/w/a"});
    runCheck(true);
    files.hold("/w/a");
    started += std::chrono::seconds(2);
    check.start(false, started);  // in flight, held on a
    watch({"/w/b"});
    check.start(true, started);
    awaitAnswers(0);
    ASSERT_TRUE(check.poll(started).finished);
    ASSERT_EQ(check.rows().size(), 1u);
    EXPECT_EQ(*check.rows()[0].nativePath(), "/w/b") << "the table keeps the old list";
    files.release("/w/a");
    files.awaitNoLookUp();
}

// A file that does not answer keeps its row as it was: unanswered since the first check it
// missed, and its "changed" record, kept, is not news again, wherever the sort moves it.
TEST_F(Watches, AHungRowIsUnansweredSinceTheFirstCheckItMissedAndItsChangeIsNoNewsAgain) {
    files.put("/w/a", "a", Yesterday);
    files.put("/w/z", "z", Yesterday);
    watch({"/w/a", "/w/z"});
    runCheck(true);
    files.files["/w/z"].modified = Later;
    runCheck(false);
    ASSERT_EQ(states(), "01");
    files.hold("/w/z");
    const LocalDateTime firstMissed{2024, 3, 2, 9, 6, 0};
    clock.time = firstMissed;
    runCheck(false, 1);
    clock.time = {2024, 3, 2, 9, 7, 0};
    check.sort({SortKey::FileName, SortOrder::Descending});
    runCheck(false, 1);
    const WatchRow& hung = check.rows()[0];
    ASSERT_EQ(*hung.nativePath(), "/w/z");
    EXPECT_EQ(stateOf(hung.record), RecordState::NewUp);
    EXPECT_FALSE(hung.writtenAnew);
    EXPECT_FALSE(hung.sizeOrStampChanged);
    ASSERT_TRUE(hung.unansweredSince);
    EXPECT_EQ(*hung.unansweredSince, firstMissed);
    files.release("/w/z");
    files.awaitNoLookUp();
}

TEST(LookupWorkers, GoingAwayWaitsForNoLookupAndDropsItsCallback) {
    auto files = std::make_shared<testing::FakeFileSystem>();
    files->put("/w/a");
    files->hold("/w/a");
    auto notified = std::make_shared<int>(0);
    const std::weak_ptr<int> callbackHolds = notified;
    auto workers = std::make_unique<LookupWorkers>(files, [notified] { ++*notified; });
    notified.reset();
    workers->request({"/w/a"});
    files->awaitLookUp("/w/a");
    workers.reset();
    EXPECT_TRUE(callbackHolds.expired()) << "the callback can no longer be called";
    files->release("/w/a");
    files->awaitNoLookUp();  // the worker lets go of the file system before it goes
}

}  // namespace
}  // namespace morvane
