// The menu commands, the timer and the header clicks.

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProperty>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "QtText.h"
#include "RealPlatform.h"
#include "RecordList.h"
#include "StatusRecord.h"
#include "WatchListDialog.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

// Counts the timer being stopped or started: a restarted countdown shows as a change.
class TimerWatch {
public:
    explicit TimerWatch(QTimer* timer)
        : notifier_(timer->bindableActive().addNotifier([this] { ++changes; })) {}
    int changes = 0;

private:
    QPropertyNotifier notifier_;
};

class Commands : public WindowTest {
protected:
    // The shown names in display order, each followed by a space.
    std::string names() const {
        std::string s;
        for (const std::string& r : records()) {
            std::string_view name = cutField(r, DisplayName);
            s += std::string(name.substr(0, name.find(' '))) + ' ';
        }
        return s;
    }
};

TEST_F(Commands, TheIntervalAlreadySetLeavesTheCountdownAloneAndAnotherRestartsIt) {
    open();
    {
        TimerWatch watch(timer());
        action("Menu60s")->trigger();
        EXPECT_EQ(watch.changes, 0);
        EXPECT_TRUE(timer()->isActive());
    }
    struct Case {
        QAction* item;
        int milliseconds;
    };
    const Case cases[] = {{action("Menu1s"), 1000},
                          {action("Menu10s"), 10000},
                          {action("Menu30s"), 30000},
                          {action("Menu60s"), 60000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.milliseconds);
        TimerWatch watch(timer());
        QTimer* const save = child<QTimer>("SettingsSave");
        save->stop();
        c.item->trigger();
        EXPECT_TRUE(save->isActive()) << "the new interval is not written within 2 s";
        EXPECT_GT(watch.changes, 0);
        EXPECT_TRUE(timer()->isActive());
        EXPECT_EQ(timer()->interval(), c.milliseconds);
        for (const Case& other : cases) EXPECT_EQ(other.item->isChecked(), other.item == c.item);
    }
    EXPECT_EQ(statusText(0), QStringLiteral("監視時刻： 09:05:07")) << "no check runs";
}

TEST_F(Commands, RefreshAndTicksCheckInPlaceAndLeaveTheCountdownAlone) {
    watchThreeFiles();
    open();
    TimerWatch watch(timer());
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 10, 0};
    clock.set({2024, 3, 2, 9, 10, 30});
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "139");
    EXPECT_EQ(statusText(0), QStringLiteral("監視時刻： 09:10:30"));
    QMetaObject::invokeMethod(timer(), "timeout");
    EXPECT_EQ(states(), "239");
    QMetaObject::invokeMethod(timer(), "timeout");
    EXPECT_EQ(states(), "339");
    EXPECT_EQ(watch.changes, 0);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"old", "today", "gone"}));
}

TEST_F(Commands, AKeyItemSetsOnlyTheKeyAndADirectionItemOnlyTheDirection) {
    files.put(IniPath, "[List]\r\nSortKey=2\r\nSortType=1\r\n");
    open();
    struct Case {
        QAction* item;
        int key;
        int type;
    };
    const Case cases[] = {
        {action("MenuSortName"), 1, 1},   {action("MenuSortFile"), 2, 1},
        {action("MenuSortSize"), 3, 1},   {action("MenuSortAsc"), 3, 0},
        {action("MenuSortUpdate"), 4, 0}, {action("MenuSortPath"), 5, 0},
        {action("MenuSortDec"), 5, 1},    {action("MenuSortUser"), 0, 1},
        {action("MenuSortAsc"), 0, 0},
    };
    const std::array<QAction*, 6> keyItems = {action("MenuSortUser"),   action("MenuSortName"),
                                              action("MenuSortFile"),   action("MenuSortSize"),
                                              action("MenuSortUpdate"), action("MenuSortPath")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->objectName().toStdString());
        c.item->trigger();
        for (int k = 0; k < 6; ++k) EXPECT_EQ(keyItems[std::size_t(k)]->isChecked(), k == c.key);
        EXPECT_EQ(action("MenuSortAsc")->isChecked(), c.type == 0);
        EXPECT_EQ(action("MenuSortDec")->isChecked(), c.type == 1);
    }
}

TEST_F(Commands, ASortItemOrdersTheTableAndLeavesNoRowSelected) {
    watchThreeFiles();
    open();
    EXPECT_EQ(names(), "old today gone ");
    action("MenuSortSize")->trigger();
    EXPECT_EQ(names(), "gone today old ") << "a missing file has a blank size";
    action("MenuSortDec")->trigger();
    EXPECT_EQ(names(), "old today gone ");

    list()->setCurrentIndex(list()->model()->index(1, 0));
    ASSERT_EQ(list()->selectedRow(), 1);
    action("MenuSortDec")->trigger();
    EXPECT_EQ(list()->selectedRow(), -1) << "the item already checked still refills";
    EXPECT_EQ(names(), "old today gone ");
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"old", "today", "gone"}));
}

TEST_F(Commands, AScreenReaderReadsEachCellItsStateAndWhichColumnSorts) {
    watchThreeFiles();
    open();
    action("MenuSortSize")->trigger();
    action("MenuSortDec")->trigger();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list());
    ASSERT_TRUE(table && table->tableInterface());
    const auto cell = [&](int row, int column, QAccessible::Text text) {
        return table->tableInterface()->cellAt(row, column)->text(text).toStdString();
    };
    const char* const first[] = {"old", "old.txt", "1,234,567", "2024/03/01 12:00:00", "/w/"};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(cell(0, column, QAccessible::Name), first[column]);
        EXPECT_EQ(cell(0, column, QAccessible::Description), "変更なし");
    }
    EXPECT_EQ(cell(1, 0, QAccessible::Description), "本日更新");
    EXPECT_EQ(cell(2, 0, QAccessible::Name), "gone");
    EXPECT_EQ(cell(2, 2, QAccessible::Name), "") << "a missing file has no size";
    EXPECT_EQ(cell(2, 4, QAccessible::Description), "見つかりません");
    EXPECT_EQ(list()->model()->index(2, 3).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/w/gone.txt\n見つかりません"));
    EXPECT_EQ(list()->model()->index(0, 2).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/w/old.txt\n変更なし\nサイズ: 1,234,567 バイト"))
        << "the whole size, which a narrow column cuts";

    std::vector<std::string> captions, sorts;
    for (int i = 0; i < table->childCount(); ++i) {
        QAccessibleInterface* child = table->child(i);
        if (child->role() != QAccessible::ColumnHeader) continue;
        captions.push_back(child->text(QAccessible::Name).toStdString());
        sorts.push_back(child->text(QAccessible::Description).toStdString());
    }
    EXPECT_EQ(captions,
              (std::vector<std::string>{"名前", "ファイル名", "サイズ", "更新日時", "パス"}));
    EXPECT_EQ(sorts, (std::vector<std::string>{"", "", "降順で並べ替え", "", ""}));
}

TEST_F(Commands, AHeaderClickSortsByItsColumnAndASecondOneReverses) {
    watchThreeFiles();
    open();
    auto click = [&](int section) {
        const int x =
            header()->sectionViewportPosition(section) + header()->sectionSize(section) / 2;
        QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, QPoint(x, 8));
    };
    click(2);
    EXPECT_TRUE(action("MenuSortSize")->isChecked());
    EXPECT_TRUE(action("MenuSortAsc")->isChecked());
    EXPECT_EQ(names(), "gone today old ");

    click(2);
    EXPECT_TRUE(action("MenuSortDec")->isChecked());
    EXPECT_EQ(names(), "old today gone ");

    click(0);
    EXPECT_TRUE(action("MenuSortName")->isChecked());
    EXPECT_TRUE(action("MenuSortDec")->isChecked()) << "another column keeps the direction";
    EXPECT_EQ(names(), "today old gone ");
}

TEST_F(Commands, ARowChosenByTheUserStaysSelectedUnderCtrlClickAndCtrlSpace) {
    watchThreeFiles();
    open();
    const QPoint row1 = list()->visualRect(list()->model()->index(1, 0)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row1);
    ASSERT_EQ(list()->selectedRow(), 1);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ControlModifier, row1);
    EXPECT_EQ(list()->selectedRow(), 1);
    QTest::keyClick(list(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(list()->selectedRow(), 1);
}

// How the user asks for a row's menu.
enum class MenuRequest { RightClick, MenuKey, ShiftF10 };

TEST_F(Commands, TheRowMenuOpensTheFileOrItsFolderAndCopiesTheWholeWatchListPath) {
    // The folder is longer than the record's 40-byte folder column.
    const std::string folder = "/w/" + std::string(45, 'd') + "/フォルダ";
    const std::string deep = folder + "/長い名前のファイル.txt";
    files.put(deep, "x", {2024, 3, 1, 12, 0, 0});
    files.put("/w/old.txt", "x", {2024, 3, 1, 12, 0, 0});
    files.put(ListPath, entry("old", "/w/old.txt") + entry("gone", "/w/gone.txt") +
                            entry("deep", sjis(deep)));
    open();
    const auto url = [](const std::string& path) { return "file://" + path; };
    const struct {
        const char* what;
        MenuRequest request;
        int row;
        const char* item;
        bool openEnabled;
        std::string result;  // the URL opened, or the text copied
    } cases[] = {
        {"a right click opens the file", MenuRequest::RightClick, 2, "PopupOpen", true, url(deep)},
        {"the menu key opens the folder", MenuRequest::MenuKey, 2, "PopupOpenFolder", true,
         url(folder)},
        {"Shift+F10 copies the full path", MenuRequest::ShiftF10, 2, "PopupCopyPath", true, deep},
        {"a missing file's folder still opens", MenuRequest::RightClick, 1, "PopupOpenFolder",
         false, url("/w")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        opened.clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const QRect band = list()->visualRect(list()->model()->index(c.row, 0));
        if (c.request == MenuRequest::RightClick) {
            QContextMenuEvent click(QContextMenuEvent::Mouse, band.center(),
                                    list()->viewport()->mapToGlobal(band.center()), {});
            QApplication::sendEvent(list()->viewport(), &click);
        } else {
            list()->setCurrentIndex(list()->model()->index(c.row, 0));
            if (c.request == MenuRequest::ShiftF10) {
                QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
            } else {
                QContextMenuEvent key(QContextMenuEvent::Keyboard, {}, {}, {});
                QApplication::sendEvent(list(), &key);
            }
        }
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->findChild<QAction*>("PopupOpen")->isEnabled(), c.openEnabled);
        EXPECT_TRUE(menu->findChild<QAction*>("PopupOpenFolder")->isEnabled());
        menu->findChild<QAction*>(c.item)->trigger();
        menu->hide();
        const bool copies = c.item == std::string("PopupCopyPath");
        EXPECT_EQ(opened, copies ? std::vector<std::string>{} : std::vector{c.result});
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), copies ? c.result : "before");
    }
    EXPECT_TRUE(errors.empty());

    // Below the last row, or with no row selected, there is no menu.
    const QPoint below =
        list()->visualRect(list()->model()->index(2, 0)).bottomLeft() + QPoint(5, 20);
    QContextMenuEvent click(QContextMenuEvent::Mouse, below, list()->viewport()->mapToGlobal(below),
                            {});
    QApplication::sendEvent(list()->viewport(), &click);
    list()->selectionModel()->clear();
    QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(Commands, AFileTheDesktopCannotOpenIsReportedWithItsPath) {
    watchThreeFiles();
    open();
    openerStarts = false;
    list()->setCurrentIndex(list()->model()->index(0, 0));
    QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->findChild<QAction*>("PopupOpen")->trigger();
    menu->hide();
    EXPECT_EQ(errors, std::vector<std::string>{"/w/old.txt を開けません"});
}

TEST_F(Commands, StayOnTopTogglesAndKeepsPlaceSizeAndRows) {
    watchThreeFiles();
    MainWindow& f = open();
    f.move(50, 60);
    f.resize(520, 280);
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
    action("MenuRepaint")->trigger();
    ASSERT_EQ(states(), "139");
    files.put(ListPath, entry("other", "/w/old.txt"));

    action("MenuTop")->trigger();
    settle();
    EXPECT_TRUE(action("MenuTop")->isChecked());
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.pos(), QPoint(50, 60));
    EXPECT_EQ(f.size(), QSize(520, 280));
    EXPECT_EQ(states(), "139");
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "239") << "the watch list is not read again";

    action("MenuTop")->trigger();
    settle();
    EXPECT_FALSE(action("MenuTop")->isChecked());
    EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.pos(), QPoint(50, 60));

    action("MenuTop")->trigger();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(iniHas("Style=1"));
    MainWindow& again = open();
    EXPECT_TRUE(action("MenuTop")->isChecked());
    EXPECT_TRUE(again.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(Commands, TheVersionBoxShowsTheVersionWithTheInformationIcon) {
    open();
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
    action("MenuVersion")->trigger();
    EXPECT_EQ(shown, 1);
}

TEST_F(Commands, TheEditorEndedWithCancelChangesNothing) {
    watchThreeFiles();
    open();
    const Records before = records();
    files.put(ListPath, entry("other", "/w/old.txt"));
    bool wasEditor = false;
    onModal = [&](QDialog& d) {
        wasEditor = qobject_cast<WatchListDialog*>(&d) != nullptr;
        return 2;
    };
    action("MenuFileSet")->trigger();
    EXPECT_TRUE(wasEditor);
    EXPECT_EQ(records(), before);
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "039") << "the watch list is not read again";
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
        open();
        files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
        action("MenuRepaint")->trigger();
        ASSERT_EQ(states(), "139");
        onModal = [&](QDialog&) {
            if (c.listAfter)
                files.put(ListPath, c.listAfter);
            else
                files.files.erase(ListPath);
            clock.set({2024, 3, 2, 11, 0, 0});
            return 1;
        };
        action("MenuFileSet")->trigger();
        EXPECT_EQ(names(), c.names);
        EXPECT_EQ(states(), c.states);
        EXPECT_EQ(list()->rowCount(), int(records().size()));
        EXPECT_EQ(statusText(0), QStringLiteral("監視時刻： 11:00:00"));
        EXPECT_TRUE(errors.empty());
        clock.set({2024, 3, 2, 9, 5, 7});
    }
}

TEST_F(Commands, AWatchListUnreadableAfterOkIsReportedAndTheListsStayAsTheyWere) {
    watchThreeFiles();
    open();
    const Records before = records();
    onModal = [&](QDialog&) {
        files.files[ListPath].kind = FakeFile::Unreadable;
        return 1;
    };
    action("MenuFileSet")->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "ﾌｧｲﾙ " + std::string(ListPath) + " は開けません");
    EXPECT_EQ(records(), before);

    // The error ended only that command: the window goes on checking the same list, in place.
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "139");
}

}  // namespace
}  // namespace morvane::testing
