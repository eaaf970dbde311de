#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "Watch.h"
#include "WatchLine.h"

namespace morvane {
namespace {

using testing::FakeFile;
using testing::sjis;
using testing::utf8;

const LocalDateTime Yesterday{2024, 3, 1, 12, 0, 0};
const LocalDateTime Today{2024, 3, 2, 8, 0, 0};
const std::string Blank10(10, ' ');
const std::string Blank19(19, ' ');

class CheckCycle : public ::testing::Test, protected testing::FakePlatform {
protected:
    WatchList watchList;
    Watch checks{platform, std::make_unique<LookupsAtOnce>(files)};
    Records records;
    SortState sort;

    void watch(const std::string& path, const std::string& name = "name") {
        watchList.push_back(makeWatchLine(name, path));
    }
    CheckTimes check(bool rebuild) {
        if (rebuild) checks.setFiles(watchedFiles(platform.codec, watchList));
        checks.sort(sort);
        const CheckTimes times = runCheck(checks, rebuild);
        records.clear();
        for (const WatchRow& row : checks.rows()) records.push_back(row.record);
        return times;
    }
    CheckTimes rebuild() { return check(true); }
    CheckTimes refresh() { return check(false); }

    // The record whose SeqNo is seq, wherever the ordering put it.
    std::string recordOf(int seq) const {
        const std::string digits = {char('0' + seq / 10), char('0' + seq % 10)};
        for (const std::string& record : records)
            if (cutField(record, SeqNo) == digits) return record;
        return {};
    }
    // The states of all records in SeqNo order.
    std::string states() const {
        std::string out;
        for (std::size_t seq = 0; seq < records.size(); ++seq)
            out += stateCode(stateOf(recordOf(int(seq))));
        return out;
    }
    // The states of record 0 after each of count refreshes.
    std::string refreshes(int count) {
        std::string out;
        for (int i = 0; i < count; ++i) {
            refresh();
            out += stateCode(stateOf(recordOf(0)));
        }
        return out;
    }
    void touch(LocalDateTime modified) { files.files["/w/a.txt"].modified = modified; }
};

TEST_F(CheckCycle, AChangedFileGoesNewThenPreviousThenBack) {
    files.put("/w/a.txt", "x", Yesterday);
    watch("/w/a.txt");
    rebuild();
    EXPECT_EQ(states(), "0");
    touch({2024, 3, 1, 13, 0, 0});
    EXPECT_EQ(refreshes(3), "120");
    // A time that keeps growing stays new; one from today settles on today.
    touch({2024, 3, 1, 14, 0, 0});
    EXPECT_EQ(refreshes(1), "1");
    touch(Today);
    EXPECT_EQ(refreshes(3), "123");
    // An older copy restored is never new.
    touch(Yesterday);
    EXPECT_EQ(refreshes(1), "0");
    touch({2024, 3, 1, 15, 0, 0});
    EXPECT_EQ(refreshes(1), "1");
    touch(Yesterday);
    EXPECT_EQ(refreshes(2), "20");
    // Neither a new size nor a time in the same two-second step is a change.
    files.files["/w/a.txt"].bytes = "longer";
    touch({2024, 3, 1, 12, 0, 1});
    EXPECT_EQ(refreshes(1), "0");
    EXPECT_EQ(cutField(recordOf(0), SizeText), "0000000006");
    EXPECT_EQ(cutField(recordOf(0), StampText), "2024/03/01 12:00:00");
}

TEST_F(CheckCycle, ADeletedFileIsNotFoundThenNewWhenItComesBack) {
    files.put("/w/a.txt", "12345", Yesterday);
    watch("/w/a.txt");
    rebuild();
    files.files.erase("/w/a.txt");
    refresh();
    EXPECT_EQ(recordOf(0).substr(20),
              "900" + padOrCut("name", 20) + padOrCut("a.txt", 20) + Blank10 + Blank19 + "/w/");
    files.put("/w/a.txt", "12345", Yesterday);
    EXPECT_EQ(refreshes(3), "120");
}

TEST_F(CheckCycle, TodayAndTheCheckTimeAreTakenAtTheStartOfTheCheck) {
    clock.upcoming = {{2024, 3, 2, 9, 5, 7}, {2024, 3, 2, 9, 6, 59}};
    const CheckTimes times = rebuild();  // an empty list still takes both
    EXPECT_EQ(times.started, (LocalDateTime{2024, 3, 2, 9, 5, 7}));
    EXPECT_EQ(times.finished, (LocalDateTime{2024, 3, 2, 9, 6, 59}));
    clock.upcoming = {{10000, 13, 0, 24, -1, 61}};
    EXPECT_EQ(rebuild().started, (LocalDateTime{9999, 12, 1, 23, 0, 59})) << "held to its range";

    files.put("/w/a.txt", "x", {2024, 3, 2, 23, 59, 58});
    watch("/w/a.txt");
    clock.upcoming = {{2024, 3, 2, 23, 59, 59}, {2024, 3, 3, 0, 0, 1}};
    rebuild();
    EXPECT_EQ(states(), "3");
    refresh();
    EXPECT_EQ(states(), "0");
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

TEST_F(CheckCycle, ARowHoldsItsWholeWatchListPathWhereItsRecordIsCut) {
    const std::string dir = "/" + std::string(60, 'd') + "/";
    const std::string cut = dir.substr(0, 40);
    files.put(dir + "a.txt", "x", Yesterday);
    watch(dir + "a.txt  ", "aa");  // the blanks after a path are no part of it
    watch("/w/b.txt", "zz");
    sort = {SortKey::Name,
            SortOrder::Descending};  // descending by name: record 0 is no longer the first
    rebuild();
    EXPECT_EQ(cutField(recordOf(0), DirPath), cut);
    const WatchRow& row = checks.rows()[1];
    EXPECT_EQ(row.line, 0u);
    EXPECT_EQ(row.file->sjisPath, dir + "a.txt");
    EXPECT_EQ(row.nativePath(), dir + "a.txt");
    files.files[dir + "a.txt"].modified = Today;
    EXPECT_EQ(refreshes(2), "12");
    EXPECT_EQ(recordOf(0).substr(92), cut);  // a refresh keeps only what the record held
}

TEST_F(CheckCycle, LookupsDropTrailingSpacesAndFindNoHiddenFileDirectoryOrUnconvertiblePath) {
    files.put("plain.txt", "x", Yesterday);
    files.put("/w/spaced.txt", "x", Yesterday);
    files.put("/w/hidden").kind = FakeFile::Hidden;
    files.put("/w/dir").kind = FakeFile::Directory;
    for (const std::string path :
         {"plain.txt", "/w/spaced.txt   ", "/w/hidden", "/w/dir", "", "/w/\x81 bad"})
        watch(path);
    rebuild();
    EXPECT_EQ(states(), "009999");
    EXPECT_EQ(recordOf(0).size(), 92u) << "no directory, no DirPath";
    refresh();
    EXPECT_EQ(states(), "009999");
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
        // the check's day of the month before: not modified today
        {1, {2024, 2, 2, 9, 0, 0}, "0000000001", "2024/02/02 09:00:00"},
    };
    for (const Row& row : rows) {
        files.put("/w/a.txt", "", row.modified).size = row.size;
        watchList = {makeWatchLine("n", "/w/a.txt")};
        rebuild();
        refresh();
        EXPECT_EQ(recordOf(0).substr(20), "000" + padOrCut("n", 20) + padOrCut("a.txt", 20) +
                                              row.sizeText + row.stampText + "/w/");
    }
}

TEST_F(CheckCycle, OnlyTheFirstHundredEntriesAreWatched) {
    for (int i = 0; i < 105; ++i) watch("/w/" + std::to_string(i));
    rebuild();
    ASSERT_EQ(records.size(), MaxWatched);
    EXPECT_EQ(cutField(recordOf(99), FileNameField), padOrCut("99", 20));
}

TEST_F(CheckCycle, ARefreshAfterANewWatchListRebuildsTheRows) {
    files.put("/w/a.txt", "x", Yesterday);
    watch("/w/a.txt");
    rebuild();
    files.files["/w/a.txt"].modified = Today;
    watch("/w/b.txt");
    checks.setFiles(watchedFiles(platform.codec, watchList));
    refresh();
    EXPECT_EQ(states(), "39") << "built afresh: no change at a rebuild";
}

}  // namespace
}  // namespace morvane
