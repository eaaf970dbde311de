#include <gtest/gtest.h>

#include <tuple>

#include "AppError.h"
#include "FakePlatform.h"
#include "Settings.h"

namespace morvane {
namespace {

using testing::FakeFile;
using testing::FakeFileSystem;

const std::string IniPath = "/opt/morvane/Morvane.ini";

// Every value read, in the order of the file.
auto fields(const Settings& s) {
    const StateColours& c = s.colours;
    return std::make_tuple(s.top, s.left, s.height, s.width, s.viewHeight, s.columnWidths, s.style,
                           s.interval, s.sortKey, s.sortType, c.listBack, c.normal, c.newUp,
                           c.newUp2, c.todayUp, c.notFound, c.memoBack, c.memoFont);
}

TEST(ReadSettings, GivesTheDefaultsWhereTheFileHasNothingUsable) {
    struct Case {
        const char* sentence;
        FakeFile::Kind kind;
        const char* bytes;  // nullptr: no file
    } const cases[] = {
        {"no file", FakeFile::Regular, nullptr},
        {"an unreadable file", FakeFile::Unreadable, "[Window]\nTop=9\n"},
        {"a directory in its place", FakeFile::Directory, ""},
        {"binary garbage", FakeFile::Regular, "\xFF\xFE[\x01=\x02\n\x83"},
        {"values that are not numbers", FakeFile::Regular,
         "[Window]\nTop=one\nLeft=\nHeight=3OO\nWidth=+\nViewHeight=$\nH0=1e3\nStyle=yes\n"
         "[List]\nInterval=60s\nSortKey=-\nSortType=0x\n[Color]\nNormal=cyan\nNewUp=$FFFFFFFFF\n"},
        {"the keys in other sections", FakeFile::Regular,
         "[List]\nTop=9\nH0=9\n[Window]\nInterval=9\nNormal=9\n"},
    };
    const auto defaults =
        std::make_tuple(1, 1, 300, 540, 200, std::array<int, 5>{120, 80, 60, 112, 144}, 0, 60, 0, 0,
                        0, 0xFFFF00, 0xFF, 0xFF00FF, 0xFFFF, 0x808080, 0, 0xFF00);
    for (const Case& c : cases) {
        FakeFileSystem files;
        if (c.bytes) files.put(IniPath, c.bytes).kind = c.kind;
        EXPECT_EQ(fields(readSettings(files, IniPath)), defaults) << c.sentence;
    }
}

TEST(ReadSettings, ReadsEveryKeyOfTheThreeSections) {
    FakeFileSystem files;
    files.put(IniPath,
              "[window]\r\nTOP=-20\r\nLeft = -5\r\nHeight=310\r\nWidth=600\r\nViewHeight=150\r\n"
              "h0=0x1E\r\nH1=$1E\r\nH2= 30\r\nH3=-5\r\nH4=20000\r\nStyle=1\r\n"
              "[List]\r\nInterval=10\r\nSortKey=4\r\nSortType=1\r\n"
              "[Color]\r\nListBack=1\r\nNormal=2\r\nNewUp=3\r\nNewUp2=4\r\nTodayUp=5\r\n"
              "NotFound=6\r\nMemoBack=7\r\nMemoFont=$FFFFFFFF\r\n");
    EXPECT_EQ(fields(readSettings(files, IniPath)),
              std::make_tuple(-20, -5, 310, 600, 150, std::array<int, 5>{30, 30, 30, -5, 20000}, 1,
                              10, 4, 1, 1, 2, 3, 4, 5, 6, 7, -1));
}

TEST(SettingsApplied, ValuesNoMenuItemShowsActAsTheWindowDesignHasIt) {
    struct Case {
        const char* sentence;
        int Settings::*field;
        int (Settings::*applied)() const;
        int value;
        int expected;
    } const cases[] = {
        {"5 seconds check no item", &Settings::interval, &Settings::intervalItem, 5, 0},
        {"5 seconds tick every 5000 ms", &Settings::interval, &Settings::timerMilliseconds, 5,
         5000},
        {"0 means no timed checks", &Settings::interval, &Settings::timerMilliseconds, 0, 0},
        {"a negative interval means none", &Settings::interval, &Settings::timerMilliseconds, -1,
         0},
        {"the longest period that fits", &Settings::interval, &Settings::timerMilliseconds, 2147483,
         2147483000},
        {"one second more does not fit", &Settings::interval, &Settings::timerMilliseconds, 2147484,
         0},
        {"sort key 9 acts as watch-list order", &Settings::sortKey, &Settings::appliedSortKey, 9,
         0},
        {"sort key -1 acts as watch-list order", &Settings::sortKey, &Settings::appliedSortKey, -1,
         0},
        {"sort type 2 is descending", &Settings::sortType, &Settings::appliedSortType, 2, 1},
    };
    for (const Case& c : cases) {
        Settings s;
        s.*c.field = c.value;
        EXPECT_EQ((s.*c.applied)(), c.expected) << c.sentence;
    }

    const std::pair<int, int> widths[] = {{-5, 0}, {0, 0}, {10000, 10000}, {20000, 10000}};
    for (const auto& [stored, applied] : widths) {
        Settings s;
        s.columnWidths[3] = stored;
        EXPECT_EQ(s.columnWidth(3), applied) << "a column stored as " << stored;
    }
    Settings styled;
    styled.style = 2;
    EXPECT_FALSE(styled.topMost()) << "only 1 makes the window top-most";
}

ClosingState restoredWindow() {
    ClosingState state;
    state.top = 10;
    state.left = -30;
    state.height = 300;
    state.width = 500;
    state.viewHeight = 200;
    state.columnWidths = {100, 0, 10000, 112, 144};
    state.topMost = true;
    state.intervalItem = 30;
    state.sortKey = 3;
    state.sortType = 1;
    return state;
}

TEST(WriteSettings, TheFirstCloseCreatesWindowAndListButNoColor) {
    FakeFileSystem files;
    writeSettings(files, IniPath, restoredWindow());
    EXPECT_EQ(files.writes, 1);
    EXPECT_EQ(files.files[IniPath].bytes,
              "[Window]\r\nTop=10\r\nLeft=-30\r\nHeight=300\r\nWidth=500\r\nViewHeight=200\r\n"
              "H0=100\r\nH1=0\r\nH2=10000\r\nH3=112\r\nH4=144\r\nStyle=1\r\n\r\n"
              "[List]\r\nInterval=30\r\nSortKey=3\r\nSortType=1\r\n");
}

TEST(WriteSettings, KeepsHandEditedColoursCommentsAndUnknownKeys) {
    const std::string colours = "; edited by hand\n[color]\nNormal = 0x00FF00\nMemoFont=$FF\n\n";
    FakeFileSystem files;
    files.put(IniPath, colours +
                           "[Window]\nTop=1\nFontName=\x82\x6C\x82\x72 Gothic\n\n"
                           "[Extra]\nKeep=\"me\"\n");
    writeSettings(files, IniPath, restoredWindow());

    const std::string& after = files.files[IniPath].bytes;
    EXPECT_EQ(after.substr(0, colours.size()), colours);
    EXPECT_EQ(after.substr(colours.size()),
              "[Window]\nTop=10\r\nFontName=\x82\x6C\x82\x72 Gothic\nLeft=-30\r\nHeight=300\r\n"
              "Width=500\r\nViewHeight=200\r\nH0=100\r\nH1=0\r\nH2=10000\r\nH3=112\r\nH4=144\r\n"
              "Style=1\r\n\n[Extra]\nKeep=\"me\"\n\r\n"
              "[List]\r\nInterval=30\r\nSortKey=3\r\nSortType=1\r\n");

    const Settings next = readSettings(files, IniPath);
    EXPECT_EQ(next.colours.normal, 0x00FF00);
    EXPECT_EQ(next.colours.memoFont, 0xFF);
}

TEST(WriteSettings, WhileMaximisedLeavesTheGeometryAsTheFileHasIt) {
    const std::string window = "[Window]\r\nTop=7\r\nLeft=8\r\nHeight=9\r\nWidth=10\r\n";
    FakeFileSystem files;
    files.put(IniPath, window + "ViewHeight=11\r\nH0=1\r\n");
    ClosingState state = restoredWindow();
    state.maximised = true;
    writeSettings(files, IniPath, state);
    EXPECT_EQ(files.files[IniPath].bytes,
              window +
                  "ViewHeight=11\r\nH0=100\r\nH1=0\r\nH2=10000\r\nH3=112\r\nH4=144\r\nStyle=1\r\n"
                  "\r\n[List]\r\nInterval=30\r\nSortKey=3\r\nSortType=1\r\n");
}

TEST(WriteSettings, WritesTheCheckedItemOfEachRadioGroup) {
    struct Case {
        const char* sentence;
        int intervalItem, sortKey, sortType;
        int interval, writtenKey, writtenType;
    } const cases[] = {
        {"an interval no item stands for as the 60-second item", 5, 5, 0, 60, 5, 0},
        {"no interval item as the 60-second item", 0, 0, 0, 60, 0, 0},
        {"a key no item stands for as watch-list order", 60, 9, 0, 60, 0, 0},
        {"any direction but ascending as descending", 60, 0, 2, 60, 0, 1},
    };
    for (const Case& c : cases) {
        FakeFileSystem files;
        ClosingState state;
        state.intervalItem = c.intervalItem;
        state.sortKey = c.sortKey;
        state.sortType = c.sortType;
        writeSettings(files, IniPath, state);
        const Settings next = readSettings(files, IniPath);
        EXPECT_EQ(std::make_tuple(next.interval, next.sortKey, next.sortType),
                  std::make_tuple(c.interval, c.writtenKey, c.writtenType))
            << c.sentence;
    }
}

TEST(WriteSettings, AFileThatCannotBeWrittenGivesTheErrorAndStaysAsItWas) {
    const std::string before = "[Window]\nTop=3\n[Color]\nNormal=1\n";
    FakeFileSystem refusing;
    refusing.put(IniPath, before);
    refusing.failWrites = true;
    // Writing over a file that cannot be read would lose its colours: refused the same way.
    FakeFileSystem unreadable;
    unreadable.put(IniPath, before).kind = FakeFile::Unreadable;

    for (FakeFileSystem* files : {&refusing, &unreadable}) {
        std::string message;
        try {
            writeSettings(*files, IniPath, restoredWindow());
        } catch (const AppError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, IniPath + " に書き込めません");
        EXPECT_EQ(files->writes, 0);
        EXPECT_EQ(files->files[IniPath].bytes, before);
    }
}

}  // namespace
}  // namespace morvane
