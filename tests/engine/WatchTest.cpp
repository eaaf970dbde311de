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
