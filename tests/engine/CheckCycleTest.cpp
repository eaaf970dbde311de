#include <gtest/gtest.h>

#include <functional>

#include "CheckCycle.h"
#include "EngineTesting.h"
#include "FakePlatform.h"

namespace morvane {
namespace {

using testing::FakeClock;
using testing::FakeFile;
using testing::FakeFileSystem;
using testing::sjis;
using testing::utf8;
using testing::watchLine;

const LocalDateTime Yesterday{2024, 3, 1, 12, 0, 0};
const LocalDateTime Today{2024, 3, 2, 8, 0, 0};
const std::string Blank10(10, ' ');
const std::string Blank19(19, ' ');

class CheckCycle : public ::testing::Test {
protected:
    FakeFileSystem files;
    FakeClock clock;
    Platform platform{files, clock, testing::realPlatform().codec(),
                      testing::realPlatform().collator()};
    WatchList watchList;
    Records records;
    SortState sort;

    void watch(const std::string& path, const std::string& name = "name") {
        watchList.push_back(watchLine(name, path));
    }
    StatusTexts rebuild() { return runCheck(platform, watchList, records, true, sort); }
    StatusTexts refresh() { return runCheck(platform, watchList, records, false, sort); }

    std::string recordOf(int seq) const {
        for (const std::string& record : records)
            if (cutField(record, SeqNo) == std::string{char('0' + seq / 10), char('0' + seq % 10)})
                return record;
        return {};
    }
    // The states of record 0 over a sequence of refreshes, each preceded by a change.
    std::string statesOver(const std::vector<std::function<void()>>& changes) {
        std::string states;
        for (const auto& change : changes) {
            change();
            refresh();
            states += stateOf(recordOf(0));
        }
        return states;
    }
};

TEST_F(CheckCycle, AChangedFileGoesNewThenPreviousThenBack) {
    files.put("/w/a.txt", "x", Yesterday);
    watch("/w/a.txt");
    rebuild();
    EXPECT_EQ(stateOf(recordOf(0)), Normal);
    auto touch = [&](LocalDateTime t) {
        return [this, t] { files.files["/w/a.txt"].modified = t; };
    };
    auto nothing = [] {};
    EXPECT_EQ(statesOver({touch({2024, 3, 1, 13, 0, 0}), nothing, nothing}), "120");
    // A time that keeps growing stays new; one from today settles on today.
    EXPECT_EQ(statesOver({touch({2024, 3, 1, 14, 0, 0}), touch(Today), nothing, nothing}), "1123");
    // An older copy restored is never new.
    EXPECT_EQ(statesOver({touch(Yesterday), nothing}), "00");
    EXPECT_EQ(statesOver({touch({2024, 3, 1, 15, 0, 0}), touch(Yesterday), nothing}), "120");
}

TEST_F(CheckCycle, ADeletedFileIsNotFoundThenNewWhenItComesBack) {
    files.put("/w/a.txt", "12345", Yesterday);
    watch("/w/a.txt");
    rebuild();
    files.files.erase("/w/a.txt");
    refresh();
    const std::string gone = recordOf(0);
    EXPECT_EQ(stateOf(gone), NotFound);
    EXPECT_EQ(cutField(gone, SizeText), Blank10);
    EXPECT_EQ(cutField(gone, StampText), Blank19);
    EXPECT_EQ(cutField(gone, FileNameField), "a.txt               ");
    EXPECT_EQ(cutField(gone, DirPath), "/w/");
    files.put("/w/a.txt", "12345", Yesterday);
    EXPECT_EQ(statesOver({[] {}, [] {}, [] {}}), "120");
}

TEST_F(CheckCycle, SizeAloneOrTheSameTwoSecondStepChangesNoState) {
    files.put("/w/a.txt", "x", Yesterday);
    watch("/w/a.txt");
    rebuild();
    files.files["/w/a.txt"].bytes = "longer";
    files.files["/w/a.txt"].modified.second = 1;
    refresh();
    EXPECT_EQ(stateOf(recordOf(0)), Normal);
    EXPECT_EQ(cutField(recordOf(0), SizeText), "0000000006");
    EXPECT_EQ(cutField(recordOf(0), StampText), "2024/03/01 12:00:00");
}

TEST_F(CheckCycle, TodayIsJudgedAtTheStartOfEachCheck) {
    files.put("/w/a.txt", "x", {2024, 3, 2, 23, 59, 58});
    watch("/w/a.txt");
    clock.set({2024, 3, 2, 23, 59, 59});
    rebuild();
    EXPECT_EQ(stateOf(recordOf(0)), TodayUp);
    clock.set({2024, 3, 3, 0, 0, 1});
    refresh();
    EXPECT_EQ(stateOf(recordOf(0)), Normal);
}

TEST_F(CheckCycle, RecordsAreByteExactWithDoubleByteCharactersCutAtFieldEnds) {
    const std::string name = "abcdefghijklmnopqrs\x83";  // "…ア" cut after its first byte
    const std::string file = "abcdefghijklmnopqrs" + sjis("ア") + ".txt";
    const std::string dir = "/w/" + sjis("日本語") + "/";
    files.put(utf8(dir + file), "hello", Yesterday);
    watch(dir + file, name);
    watch("/w/gone.txt", sjis("名前"));
    rebuild();  // the ordering by SeqNo writes it into the SortPrefix
    const std::string pad(18, ' ');
    EXPECT_EQ(recordOf(0), "00" + pad + "0" + "00" + name + "abcdefghijklmnopqrs\x83" +
                               "0000000005" + "2024/03/01 12:00:00" + dir);
    EXPECT_EQ(recordOf(1), "01" + pad + "9" + "01" + sjis("名前") + std::string(16, ' ') +
                               "gone.txt            " + Blank10 + Blank19 + "/w/");
}

TEST_F(CheckCycle, LongNamesAndDirectoriesAreStillFoundOnRefresh) {
    const std::string dir = "/" + std::string(60, 'd') + "/";
    const std::string file = std::string(30, 'f') + ".txt";
    files.put(dir + file, "x", Yesterday);
    watch(dir + file);
    sort = {1, 1};  // reordered records still find their own lines
    rebuild();
    EXPECT_EQ(cutField(recordOf(0), DirPath), dir.substr(0, 40));
    files.files[dir + file].modified = Today;
    refresh();
    EXPECT_EQ(stateOf(recordOf(0)), NewUp);
    EXPECT_EQ(recordOf(0).size(), 92u + 40u);  // the refreshed record holds the cut directory
    refresh();
    EXPECT_EQ(stateOf(recordOf(0)), NewUp2);
}

TEST_F(CheckCycle, LookupsDropTrailingSpacesAndFindNoHiddenDirectoryOrUnconvertiblePath) {
    files.put("plain.txt", "x", Yesterday);
    files.put("/w/spaced.txt", "x", Yesterday);
    files.put("/w/hidden").kind = FakeFile::Hidden;
    files.put("/w/dir").kind = FakeFile::Directory;
    const std::string paths[] = {"plain.txt", "/w/spaced.txt   ", "/w/hidden", "/w/dir",
                                 "",          "/w/\x81 bad"};
    for (const std::string& path : paths) watch(path);
    for (int pass = 0; pass < 2; ++pass) {
        pass == 0 ? rebuild() : refresh();
        EXPECT_EQ(recordOf(0).size(), 92u) << "no directory, no DirPath";
        const std::string states = {stateOf(recordOf(0)), stateOf(recordOf(1)),
                                    stateOf(recordOf(2)), stateOf(recordOf(3)),
                                    stateOf(recordOf(4)), stateOf(recordOf(5))};
        EXPECT_EQ(states, "009999") << "pass " << pass;
    }
}

TEST_F(CheckCycle, SizesAndTimesAlwaysKeepTheirWidths) {
    struct Row {
        std::int64_t size;
        LocalDateTime modified;
        std::string sizeText;
        std::string stampText;
    };
    const Row rows[] = {
        {0, {1970, 1, 1, 9, 0, 0}, "0000000000", "1970/01/01 09:00:00"},
        {2147483648, {2200, 12, 31, 23, 59, 59}, "2147483648", "2200/12/31 23:59:58"},
        {9999999999, {2107, 6, 1, 0, 0, 1}, "9999999999", "2107/06/01 00:00:00"},
        {10000000000, {10000, 1, 1, 0, 0, 0}, "9999999999", Blank19},
        {-1, {0, 0, 0, 0, 0, 0}, "0000000000", Blank19},
    };
    for (const Row& row : rows) {
        files.put("/w/a.txt", "", row.modified).size = row.size;
        watchList = {watchLine("n", "/w/a.txt")};
        rebuild();
        refresh();
        const std::string record = recordOf(0);
        EXPECT_EQ(record.size(), 95u);
        EXPECT_EQ(cutField(record, SizeText), row.sizeText);
        EXPECT_EQ(cutField(record, StampText), row.stampText);
        EXPECT_EQ(stateOf(record), Normal);
    }
}

TEST_F(CheckCycle, OnlyTheFirstHundredEntriesAreWatched) {
    for (int i = 0; i < 105; ++i) watch("/w/" + std::to_string(i));
    rebuild();
    ASSERT_EQ(records.size(), MaxWatched);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].size(), 95u);
        EXPECT_EQ(cutField(records[i], FileNameField), padOrCut(std::to_string(i), 20));
    }
    EXPECT_EQ(cutField(records.back(), SeqNo), "99");
}

TEST_F(CheckCycle, StatusTextsShowTheStartAndTheEndOfTheCheck) {
    clock.upcoming = {{2024, 3, 2, 9, 5, 7}, {2024, 3, 2, 9, 6, 59}};
    const StatusTexts texts = rebuild();  // an empty list still writes both
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(utf8(texts.lastCheck), "監視時刻： 09:05:07");
    EXPECT_EQ(utf8(texts.now), "現在時刻： 2024/03/02 09:06");
}

TEST_F(CheckCycle, ARefreshOfRecordsOutOfStepWithTheListRebuildsThem) {
    files.put("/w/a.txt", "x", Yesterday);
    watch("/w/a.txt");
    watch("/w/b.txt");
    records = {"stray"};
    refresh();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(stateOf(recordOf(0)), Normal);
    EXPECT_EQ(stateOf(recordOf(1)), NotFound);
}

TEST_F(CheckCycle, ARecordPathComesFromItsOwnLineOrElseFromItsFields) {
    const std::string dir = "/" + std::string(50, 'd') + "/";
    watch(dir + "a.txt  ");
    files.put(dir + "a.txt");
    rebuild();
    const std::string record = recordOf(0);
    EXPECT_EQ(recordPath(record, watchList), dir + "a.txt");
    EXPECT_EQ(recordPath(record, {}), dir.substr(0, 40) + "a.txt");
    EXPECT_EQ(recordPath(record, {watchLine("other", dir + "a.txt")}), dir.substr(0, 40) + "a.txt");
}

}  // namespace
}  // namespace morvane
