// The menu commands, the timer and the header clicks.

#include <QMessageBox>
#include <QProperty>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "RecordList.h"
#include "StatusRecord.h"
#include "WatchListDialog.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

using Commands = WindowTest;

// Counts the timer being stopped or started: a restarted countdown shows as a change.
class TimerWatch {
public:
    explicit TimerWatch(QTimer* timer)
        : notifier_(timer->bindableActive().addNotifier([this] { ++changes; })) {}
    int changes = 0;

private:
    QPropertyNotifier notifier_;
};

std::string names(const MainWindow& f) {
    std::string s;
    for (const std::string& r : f.records) {
        std::string_view name = cutField(r, DisplayName);
        s += std::string(name.substr(0, name.find(' '))) + ' ';
    }
    return s;
}

TEST_F(Commands, TheIntervalAlreadySetLeavesTheCountdownAloneAndAnotherRestartsIt) {
    MainWindow& f = open();
    {
        TimerWatch watch(f.Timer1);
        f.Menu60s->trigger();
        EXPECT_EQ(watch.changes, 0);
        EXPECT_TRUE(f.Timer1->isActive());
    }
    struct Case {
        QAction* item;
        int milliseconds;
    };
    const Case cases[] = {
        {f.Menu1s, 1000}, {f.Menu10s, 10000}, {f.Menu30s, 30000}, {f.Menu60s, 60000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.milliseconds);
        TimerWatch watch(f.Timer1);
        c.item->trigger();
        EXPECT_GT(watch.changes, 0);
        EXPECT_TRUE(f.Timer1->isActive());
        EXPECT_EQ(f.Timer1->interval(), c.milliseconds);
        for (const Case& other : cases) EXPECT_EQ(other.item->isChecked(), other.item == c.item);
    }
    EXPECT_EQ(f.statusText(0), QStringLiteral("監視時刻： 09:05:07")) << "no check runs";
}

TEST_F(Commands, RefreshAndTicksCheckInPlaceAndLeaveTheCountdownAlone) {
    watchThreeFiles();
    MainWindow& f = open();
    TimerWatch watch(f.Timer1);
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 10, 0};
    clock.set({2024, 3, 2, 9, 10, 30});
    f.MenuRepaint->trigger();
    EXPECT_EQ(states(f), "139");
    EXPECT_EQ(f.statusText(0), QStringLiteral("監視時刻： 09:10:30"));
    QMetaObject::invokeMethod(f.Timer1, "timeout");
    EXPECT_EQ(states(f), "239");
    QMetaObject::invokeMethod(f.Timer1, "timeout");
    EXPECT_EQ(states(f), "339");
    EXPECT_EQ(watch.changes, 0);
    EXPECT_EQ(rowTexts(f), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(Commands, AKeyItemSetsOnlyTheKeyAndADirectionItemOnlyTheDirection) {
    files.put(IniPath, "[List]\r\nSortKey=2\r\nSortType=1\r\n");
    MainWindow& f = open();
    struct Case {
        QAction* item;
        int key;
        int type;
    };
    const Case cases[] = {
        {f.MenuSortName, 1, 1}, {f.MenuSortFile, 2, 1},   {f.MenuSortSize, 3, 1},
        {f.MenuSortAsc, 3, 0},  {f.MenuSortUpdate, 4, 0}, {f.MenuSortPath, 5, 0},
        {f.MenuSortDec, 5, 1},  {f.MenuSortUser, 0, 1},   {f.MenuSortAsc, 0, 0},
    };
    const std::array<QAction*, 6> keyItems = {f.MenuSortUser, f.MenuSortName,   f.MenuSortFile,
                                              f.MenuSortSize, f.MenuSortUpdate, f.MenuSortPath};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->objectName().toStdString());
        c.item->trigger();
        EXPECT_EQ(storedSortKey(f.sort.key), c.key);
        EXPECT_EQ(storedSortOrder(f.sort.order), c.type);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(keyItems[std::size_t(k)]->isChecked(), k == c.key);
        EXPECT_EQ(f.MenuSortAsc->isChecked(), c.type == 0);
        EXPECT_EQ(f.MenuSortDec->isChecked(), c.type == 1);
    }
}

TEST_F(Commands, ASortItemOrdersTheTableAndLeavesNoRowSelected) {
    watchThreeFiles();
    MainWindow& f = open();
    EXPECT_EQ(names(f), "old today gone ");
    f.MenuSortSize->trigger();
    EXPECT_EQ(names(f), "gone today old ") << "a missing file has a blank size";
    f.MenuSortDec->trigger();
    EXPECT_EQ(names(f), "old today gone ");

    f.ListLog->setCurrentIndex(f.ListLog->model()->index(1, 0));
    ASSERT_EQ(f.ListLog->selectedRow(), 1);
    f.MenuSortDec->trigger();
    EXPECT_EQ(f.ListLog->selectedRow(), -1) << "the item already checked still refills";
    EXPECT_EQ(names(f), "old today gone ");
    EXPECT_EQ(rowTexts(f), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(Commands, AHeaderClickSortsByItsColumnAndASecondOneReverses) {
    watchThreeFiles();
    MainWindow& f = open();
    auto click = [&](int section) {
        const int x =
            f.HeaderLog->sectionViewportPosition(section) + f.HeaderLog->sectionSize(section) / 2;
        QTest::mouseClick(f.HeaderLog->viewport(), Qt::LeftButton, {}, QPoint(x, 8));
    };
    click(2);
    EXPECT_EQ(storedSortKey(f.sort.key), 3);
    EXPECT_EQ(storedSortOrder(f.sort.order), 0);
    EXPECT_TRUE(f.MenuSortSize->isChecked());
    EXPECT_TRUE(f.MenuSortAsc->isChecked());
    EXPECT_EQ(names(f), "gone today old ");

    click(2);
    EXPECT_EQ(storedSortOrder(f.sort.order), 1);
    EXPECT_TRUE(f.MenuSortDec->isChecked());
    EXPECT_EQ(names(f), "old today gone ");

    click(0);
    EXPECT_EQ(storedSortKey(f.sort.key), 1);
    EXPECT_EQ(storedSortOrder(f.sort.order), 1) << "another column keeps the direction";
    EXPECT_TRUE(f.MenuSortName->isChecked());
    EXPECT_EQ(names(f), "today old gone ");
}

TEST_F(Commands, ARowChosenByTheUserStaysSelectedUnderCtrlClickAndCtrlSpace) {
    watchThreeFiles();
    MainWindow& f = open();
    const QPoint row1 = f.ListLog->visualRect(f.ListLog->model()->index(1, 0)).center();
    QTest::mouseClick(f.ListLog->viewport(), Qt::LeftButton, {}, row1);
    ASSERT_EQ(f.ListLog->selectedRow(), 1);
    QTest::mouseClick(f.ListLog->viewport(), Qt::LeftButton, Qt::ControlModifier, row1);
    EXPECT_EQ(f.ListLog->selectedRow(), 1);
    QTest::keyClick(f.ListLog, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(f.ListLog->selectedRow(), 1);
}

TEST_F(Commands, StayOnTopTogglesAndKeepsPlaceSizeAndRows) {
    watchThreeFiles();
    MainWindow& f = open();
    f.move(50, 60);
    f.resize(520, 280);
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
    f.MenuRepaint->trigger();
    ASSERT_EQ(states(f), "139");
    files.put(ListPath, entry("other", "/w/old.txt"));

    f.MenuTop->trigger();
    settle();
    EXPECT_TRUE(f.MenuTop->isChecked());
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.pos(), QPoint(50, 60));
    EXPECT_EQ(f.size(), QSize(520, 280));
    EXPECT_EQ(states(f), "139");
    EXPECT_EQ(f.watchList.size(), 3u) << "the watch list is not read again";

    f.MenuTop->trigger();
    settle();
    EXPECT_FALSE(f.MenuTop->isChecked());
    EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.pos(), QPoint(50, 60));

    f.MenuTop->trigger();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(iniHas("Style=1"));
    MainWindow& again = open();
    EXPECT_TRUE(again.MenuTop->isChecked());
    EXPECT_TRUE(again.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(Commands, TheVersionBoxShowsTheVersionWithTheInformationIcon) {
    MainWindow& f = open();
    int shown = 0;
    onModal = [&](QDialog& d) {
        ++shown;
        auto* box = qobject_cast<QMessageBox*>(&d);
        EXPECT_NE(box, nullptr);
        if (!box) return 0;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("バージョン情報"));
        EXPECT_EQ(box->text(), QStringLiteral("Morvane Version 1.01"));
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        return int(QMessageBox::Ok);
    };
    f.MenuVersion->trigger();
    EXPECT_EQ(shown, 1);
}

TEST_F(Commands, TheEditorEndedWithCancelChangesNothing) {
    watchThreeFiles();
    MainWindow& f = open();
    const Records before = f.records;
    files.put(ListPath, entry("other", "/w/old.txt"));
    bool wasEditor = false;
    onModal = [&](QDialog& d) {
        wasEditor = qobject_cast<WatchListDialog*>(&d) != nullptr;
        return 2;
    };
    f.MenuFileSet->trigger();
    EXPECT_TRUE(wasEditor);
    EXPECT_EQ(f.watchList.size(), 3u);
    EXPECT_EQ(f.records, before);
}

TEST_F(Commands, TheEditorEndedWithOkReloadsTheListWhereThereIsOneAndRebuilds) {
    struct Case {
        const char* what;
        const char* listAfter;  // null: no file
        const char* names;
        const char* states;  // a rebuild knows no earlier check: no "1" or "2"
    };
    const std::string reordered = entry("today", "/w/today.txt") +
                                  entry("off", "/w/old.txt", false) + entry("old", "/w/old.txt");
    const std::string allOff = entry("old", "/w/old.txt", false);
    const Case cases[] = {
        {"reordered", reordered.c_str(), "today old ", "33"},
        {"no file", nullptr, "old today gone ", "339"},
        {"every entry disabled", allOff.c_str(), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        watchThreeFiles();
        MainWindow& f = open();
        files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
        f.MenuRepaint->trigger();
        ASSERT_EQ(states(f), "139");
        onModal = [&](QDialog&) {
            if (c.listAfter)
                files.put(ListPath, c.listAfter);
            else
                files.files.erase(ListPath);
            clock.set({2024, 3, 2, 11, 0, 0});
            return 1;
        };
        f.MenuFileSet->trigger();
        EXPECT_EQ(names(f), c.names);
        EXPECT_EQ(states(f), c.states);
        EXPECT_EQ(f.watchList.size(), f.records.size());
        EXPECT_EQ(f.ListLog->rowCount(), int(f.records.size()));
        EXPECT_EQ(f.statusText(0), QStringLiteral("監視時刻： 11:00:00"));
        EXPECT_FALSE(f.rebuildMode);
        EXPECT_TRUE(errors.empty());
        clock.set({2024, 3, 2, 9, 5, 7});
    }
}

TEST_F(Commands, AWatchListUnreadableAfterOkIsReportedAndTheListsStayAsTheyWere) {
    watchThreeFiles();
    MainWindow& f = open();
    const Records before = f.records;
    onModal = [&](QDialog&) {
        files.files[ListPath].kind = FakeFile::Unreadable;
        return 1;
    };
    f.MenuFileSet->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "ﾌｧｲﾙ " + std::string(ListPath) + " は開けません");
    EXPECT_EQ(f.watchList.size(), 3u);
    EXPECT_EQ(f.records, before);
    EXPECT_FALSE(f.rebuildMode);

    // The error ended only that command: the window goes on checking.
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
    f.MenuRepaint->trigger();
    EXPECT_EQ(states(f), "139");
}

}  // namespace
}  // namespace morvane::testing
