#include <gtest/gtest.h>

#include <tuple>

#include "FakePlatform.h"
#include "Settings.h"

namespace morvane {
namespace {

using testing::Failure;
using testing::failureOf;
using testing::FakeFile;
using testing::FakeFileSystem;

const std::string IniPath = "/opt/morvane/Morvane.ini";

// Every value read, in the order of the file.
auto fields(const Settings& s) {
    const StateColours& c = s.colours;
    return std::make_tuple(s.top, s.left, s.height, s.width, s.viewHeight, s.columnWidths, s.style,
                           s.interval, storedSortKey(s.sort.key), storedSortOrder(s.sort.order),
                           s.notify, c.listBack, c.normal, c.newUp, c.newUp2, c.todayUp, c.notFound,
                           c.memoBack, c.memoFont);
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
         "[List]\nInterval=60s\nSortKey=-\nSortType=0x\nNotify=on\n[Color]\nNormal=cyan\nNewUp=$"
         "FFFFFFFFF\n"},
        {"the keys in other sections", FakeFile::Regular,
         "[List]\nTop=9\nH0=9\n[Window]\nInterval=9\nNormal=9\n"},
    };
    for (const Case& c : cases) {
        FakeFileSystem files;
        if (c.bytes) files.put(IniPath, c.bytes).kind = c.kind;
        EXPECT_EQ(fields(readSettings(files, IniPath)), fields(Settings{})) << c.sentence;
    }
}

TEST(ReadSettings, ReadsEveryKeyOfTheThreeSections) {
    FakeFileSystem files;
    files.put(IniPath,
              "[window]\r\nTOP=-20\r\nLeft = -5\r\nHeight=310\r\nWidth=600\r\nViewHeight=150\r\n"
              "h0=0x1E\r\nH1=\" $1E\"\r\nH2= 30 \r\nH3=-5\r\nH4=20000\r\nStyle=1\r\n"
              "[List]\r\nInterval=10\r\nSortKey=4\r\nSortType=1\r\nNotify=1\r\n"
              "[Color]\r\nListBack=1\r\nNormal=2\r\nNewUp=3\r\nNewUp2=4\r\nTodayUp=5\r\n"
              "NotFound=6\r\nMemoBack=7\r\nMemoFont=$FFFFFFFF\r\n");
    EXPECT_EQ(fields(readSettings(files, IniPath)),
              std::make_tuple(-20, -5, 310, 600, 150, std::array<int, 5>{30, 30, 30, -5, 20000}, 1,
                              10, 4, 1, 1, 1, 2, 3, 4, 5, 6, 7, -1));
}

TEST(SettingsApplied, ValuesNoMenuItemShowsActAsTheWindowDesignHasIt) {
    using Item = std::optional<CheckInterval>;
    // Interval seconds: the menu item that shows them, and the timer's period.
    const std::tuple<int, Item, int> intervals[] = {
        {5, std::nullopt, 5000},              // no item shows 5 seconds, yet they tick
        {1, CheckInterval::OneSecond, 1000},  // each item shows its own seconds
        {10, CheckInterval::TenSeconds, 10000},
        {30, CheckInterval::ThirtySeconds, 30000},
        {60, CheckInterval::SixtySeconds, 60000},
        {0, std::nullopt, 0},                 // 0 means no timed checks
        {-1, std::nullopt, 0},                // and so does a negative interval
        {2147483, std::nullopt, 2147483000},  // the longest period that fits
        {2147484, std::nullopt, 0},           // one second more does not fit
    };
    for (const auto& [seconds, item, milliseconds] : intervals) {
        Settings s;
        s.interval = seconds;
        EXPECT_EQ(std::make_pair(s.intervalItem(), s.timerMilliseconds()),
                  std::make_pair(item, milliseconds))
            << seconds;
        if (item) {
            EXPECT_EQ(storedInterval(*item), seconds);
        }
    }
    // One value stored as SortKey, SortType, H3, Style and Notify, and what each applies as.
    const std::tuple<int, SortKey, SortOrder, int, bool> stored[] = {
        {-5, SortKey::WatchOrder, SortOrder::Descending, 0, false},
        {0, SortKey::WatchOrder, SortOrder::Ascending, 0, false},
        {1, SortKey::Name, SortOrder::Descending, 1, true},
        {2, SortKey::FileName, SortOrder::Descending, 2, false},
        {3, SortKey::Size, SortOrder::Descending, 3, false},
        {4, SortKey::Modified, SortOrder::Descending, 4, false},
        {5, SortKey::Directory, SortOrder::Descending, 5, false},
        {6, SortKey::WatchOrder, SortOrder::Descending, 6, false},
        {20000, SortKey::WatchOrder, SortOrder::Descending, 10000, false},
    };
    for (const auto& [value, key, order, width, topMost] : stored) {
        Settings s;
        s.columnWidths[3] = s.style = s.notify = value;
        EXPECT_EQ(std::make_tuple(sortKeyFromStored(value), sortOrderFromStored(value),
                                  s.columnWidth(3), s.topMost(), s.notifiesChanges()),
                  std::make_tuple(key, order, width, topMost, topMost))
            << value;
        if (value >= 0 && value <= 5) {
            EXPECT_EQ(storedSortKey(key), value);
        }
        EXPECT_EQ(storedSortOrder(order), value == 0 ? 0 : 1);
    }
}

const ClosingState Restored{false,
                            10,
                            -30,
                            300,
                            500,
                            200,
                            {100, 0, 10000, 112, 144},
                            true,
                            CheckInterval::ThirtySeconds,
                            {SortKey::Size, SortOrder::Descending},
                            true};
const std::string Placement = "Left=-30\r\nHeight=300\r\nWidth=500\r\nViewHeight=200\r\n";
const std::string Columns = "H0=100\r\nH1=0\r\nH2=10000\r\nH3=112\r\nH4=144\r\nStyle=1\r\n";
const std::string List = "[List]\r\nInterval=30\r\nSortKey=3\r\nSortType=1\r\nNotify=1\r\n";

TEST(WriteSettings, WritesWindowAndListInOneReplaceLeavingTheGeometryWhileMaximised) {
    const std::string kept =
        "[Window]\r\nTop=7\r\nLeft=8\r\nHeight=9\r\nWidth=10\r\nViewHeight=11\r\n";
    const struct {
        const char* sentence;
        std::string before;
        bool maximised;
        std::string after;
    } cases[] = {
        {"the first close creates Window and List but no Color", "", false,
         "[Window]\r\nTop=10\r\n" + Placement + Columns + "\r\n" + List},
        {"while maximised the geometry stays as the file has it", kept + "H0=1\r\n", true,
         kept + Columns + "\r\n" + List},
    };
    for (const auto& c : cases) {
        FakeFileSystem files;
        if (!c.before.empty()) files.put(IniPath, c.before);
        ClosingState state = Restored;
        state.maximised = c.maximised;
        writeSettings(files, IniPath, state);
        EXPECT_EQ(files.writes, 1) << c.sentence;
        EXPECT_EQ(files.files[IniPath].bytes, c.after) << c.sentence;
    }
}

TEST(WriteSettings, TheCheckedItemsAreReadBackAsWritten) {
    struct Case {
        CheckInterval interval;
        SortKey key;
        SortOrder order;
        bool notifies;
    } const cases[] = {
        {CheckInterval::OneSecond, SortKey::WatchOrder, SortOrder::Ascending, false},
        {CheckInterval::TenSeconds, SortKey::Directory, SortOrder::Descending, true},
        {CheckInterval::SixtySeconds, SortKey::Modified, SortOrder::Ascending, false},
    };
    for (const Case& c : cases) {
        FakeFileSystem files;
        ClosingState state;
        state.intervalItem = c.interval;
        state.sort = {c.key, c.order};
        state.notifiesChanges = c.notifies;
        writeSettings(files, IniPath, state);
        const Settings next = readSettings(files, IniPath);
        EXPECT_EQ(std::make_tuple(next.intervalItem(), next.sort.key, next.sort.order,
                                  next.notifiesChanges()),
                  std::make_tuple(std::optional(c.interval), c.key, c.order, c.notifies))
            << storedInterval(c.interval);
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
        EXPECT_EQ(failureOf([&] { writeSettings(*files, IniPath, Restored); }),
                  Failure(FileError::CannotWriteSettings, IniPath));
        EXPECT_EQ(files->writes, 0);
        EXPECT_EQ(files->files[IniPath].bytes, before);
    }
}

}  // namespace
}  // namespace morvane
