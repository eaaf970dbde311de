#include <gtest/gtest.h>

#include <tuple>

#include "FakePlatform.h"
#include "WatchLine.h"
#include "WatchListFile.h"

namespace morvane {
namespace {

using testing::Failure;
using testing::failureOf;
using testing::FakeFile;
using testing::FakeFileSystem;
using Lines = std::vector<std::string>;

const std::string ListPath = "/opt/morvane/Filelst.txt";

TEST(WatchListFile, LinesEndAtCrLfLoneCrAndLoneLfAndTheTextAtNul) {
    const std::pair<std::string, Lines> rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\r", {"a", ""}},
        {"\r\n", {""}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {std::string("\0a", 2), {}},
        {"\x81\r\n\x83\x41\xFF  \n", {"\x81", "\x83\x41\xFF  "}},  // invalid Shift-JIS kept
    };
    for (const auto& [bytes, lines] : rows) EXPECT_EQ(splitLines(bytes), lines) << bytes;
}

TEST(WatchLine, FlagNameFieldAndPathAreSplitAsWrittenAndKeptAsCut) {
    struct Row {
        std::string line;
        bool watched;
        std::string name, path;
    } const rows[] = {
        {"", false, "", ""},
        {"1", true, "", ""},
        {"1short", true, "short", ""},
        {"0" + std::string(20, 'n') + "/p", false, std::string(20, 'n'), "/p"},
        {"X" + std::string(19, 'n') + "\x83/\x83\x41", false, std::string(19, 'n') + "\x83",
         "/\x83\x41"},  // a double-byte character across the field's end stays cut
    };
    for (const Row& row : rows) {
        const WatchLine parsed = parseWatchLine(row.line);
        EXPECT_EQ(std::make_tuple(parsed.watched, std::string(parsed.fields.name),
                                  std::string(parsed.fields.path)),
                  std::make_tuple(row.watched, row.name, row.path))
            << row.line;
    }
    EXPECT_EQ(makeWatchLine("name", "/p"), "1name" + std::string(16, ' ') + "/p");
    EXPECT_EQ(makeWatchLine(std::string(19, 'n') + "\x83\x41", "/p", false),
              "0" + std::string(19, 'n') + "\x83/p");
}

TEST(WatchListFile, MainWindowKeepsEnabledLinesWholeAndInOrder) {
    FakeFileSystem files;
    const std::string longLine = "1" + std::string(10000, 'x');
    files.put(ListPath, "1a\r\n0b\r\n\r\nXc\n1d   \r" + longLine + "\r\n0");
    WatchList list{"stale"};
    ASSERT_TRUE(loadWatchList(files, ListPath, list));
    EXPECT_EQ(list, (WatchList{"1a", "1d   ", longLine}));
}

TEST(WatchListFile, NoMoreThanAHundredLinesAreWatched) {
    FakeFileSystem files;
    std::string bytes;
    for (int i = 0; i < 160; ++i) bytes += (i % 3 ? "1" : "0") + std::to_string(i) + "\r\n";
    files.put(ListPath, bytes);
    WatchList list;
    loadWatchList(files, ListPath, list);
    ASSERT_EQ(list.size(), MaxWatched);
    EXPECT_EQ(list.front(), "11");
    EXPECT_EQ(list.back(), "1149");
}

TEST(WatchListFile, AMissingFileLeavesTheListAndAnUnreadableOneReportsItsPath) {
    FakeFileSystem files;
    WatchList list{"1kept"};
    EXPECT_FALSE(loadWatchList(files, ListPath, list));
    EXPECT_TRUE(loadEditorEntries(files, ListPath).empty());

    const Failure cannotOpen{FileError::CannotOpenWatchList, ListPath};
    files.put(ListPath).kind = FakeFile::Unreadable;
    EXPECT_EQ(failureOf([&] { loadWatchList(files, ListPath, list); }), cannotOpen);
    EXPECT_EQ(failureOf([&] { loadEditorEntries(files, ListPath); }), cannotOpen);
    files.put(ListPath, std::string(MaxWatchListBytes + 1, '1'));
    EXPECT_EQ(failureOf([&] { loadWatchList(files, ListPath, list); }), cannotOpen);
    EXPECT_EQ(list, WatchList{"1kept"});
}

TEST(WatchListFile, EditorSeesEveryLineAndOkWritesItBackWithCrLfOrReportsThePath) {
    FakeFileSystem files;
    files.put(ListPath, "1a  /x\n0b\n\nXc\n1");
    saveWatchList(files, ListPath, loadEditorEntries(files, ListPath));
    EXPECT_EQ(files.files[ListPath].bytes, "1a  /x\r\n0b\r\n0\r\n0c\r\n1\r\n");
    EXPECT_EQ(watchListBytes({}), "");

    files.failWrites = true;
    EXPECT_EQ(failureOf([&] {
                  saveWatchList(files, ListPath, {{"a", true}});
              }),
              Failure(FileError::CannotCreateWatchList, ListPath));
}

}  // namespace
}  // namespace morvane
