// Start-up (applySettings, prepareFirstShow) and every kind of close request.

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Messages.h"
#include "RecordList.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

using StartUp = WindowTest;
using Closing = WindowTest;

// Records what the window shows at the moment Qt tells it that it is shown.
class ShowWatch : public QObject {
public:
    ShowWatch(MainWindow& f, RecordListView* list, QLabel* status) : list_(list), status_(status) {
        f.installEventFilter(this);
    }
    std::size_t rowsAtShow = 0;
    QString statusAtShow;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            rowsAtShow = std::size_t(list_->rowCount());
            statusAtShow = status_->text();
        }
        return false;
    }

private:
    RecordListView* list_;
    QLabel* status_;
};

TEST_F(StartUp, WithoutFilesTheWindowOpensWithTheDefaultsAndAnEmptyCheckedTable) {
    MainWindow& f = open();
    EXPECT_EQ(f.pos(), QPoint(1, 1));
    EXPECT_EQ(f.size(), QSize(540, 300));
    EXPECT_EQ(sectionWidths(), (std::array<int, 5>{120, 80, 60, 112, 144}));
    EXPECT_FALSE(action("MenuTop")->isChecked());
    EXPECT_FALSE(action("MenuNotify")->isChecked());
    EXPECT_TRUE(action("Menu60s")->isChecked());
    EXPECT_EQ(timer()->interval(), 60000);
    EXPECT_TRUE(action("MenuSortUser")->isChecked() && action("MenuSortAsc")->isChecked());
    EXPECT_FALSE(child("PanelView")->isVisible());
    EXPECT_EQ(list()->rowCount(), 0);
    EXPECT_EQ(statusText(0), QStringLiteral("監視時刻： 09:05:07"));
    EXPECT_EQ(statusText(1), QStringLiteral("現在時刻： 2024/03/02 09:05"));
    EXPECT_TRUE(errors.empty());

    // A screen reader hears what the empty list shows, until it has a row.
    const auto description = [this] {
        return QAccessible::queryAccessibleInterface(list())->text(QAccessible::Description);
    };
    EXPECT_EQ(description(), EmptyListText);
    f.addFiles({QStringLiteral("/w/a.txt")});
    EXPECT_EQ(list()->rowCount(), 1);
    EXPECT_EQ(description(), QString());
}

TEST_F(StartUp, TheWindowAppearsWithItsTableAlreadyRebuilt) {
    watchThreeFiles();
    MainWindow& f = create();
    EXPECT_TRUE(records().empty()) << "the create step runs no check";
    ShowWatch watch(f, list(), statusPanel(0));
    f.show();
    EXPECT_EQ(watch.rowsAtShow, 3u);
    EXPECT_FALSE(watch.statusAtShow.isEmpty());
    EXPECT_EQ(states(), "039");
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"old", "today", "gone"}));
    files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "139") << "later checks are in place";
}

TEST_F(StartUp, TheStoredSettingsApplyAtCreationAndThePlaceAtTheShow) {
    files.put(IniPath,
              "[Window]\r\nTop=40\r\nLeft=-20\r\nHeight=310\r\nWidth=600\r\nViewHeight=150\r\n"
              "H0=-5\r\nH1=20000\r\nStyle=1\r\n[List]\r\nInterval=10\r\nSortKey=4\r\n"
              "SortType=1\r\nNotify=1\r\n[Color]\r\nListBack=16777215\r\nMemoBack=255\r\nMemoFont="
              "16711680\r\n");
    MainWindow& f = create();
    EXPECT_EQ(sectionWidths(), (std::array<int, 5>{0, 10000, 60, 112, 144}));
    EXPECT_TRUE(action("MenuTop")->isChecked());
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(action("Menu10s")->isChecked());
    EXPECT_EQ(timer()->interval(), 10000);
    EXPECT_TRUE(action("MenuSortUpdate")->isChecked() && action("MenuSortDec")->isChecked());
    EXPECT_TRUE(action("MenuNotify")->isChecked());
    EXPECT_EQ(list()->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(child<QAbstractScrollArea>("MemoList")->palette().color(QPalette::Base),
              QColor(255, 0, 0));
    EXPECT_EQ(child<QAbstractScrollArea>("MemoList")->palette().color(QPalette::Text),
              QColor(0, 0, 255));
    f.show();
    settle();
    EXPECT_EQ(f.pos(), QPoint(-20, 40));
    EXPECT_EQ(f.size(), QSize(600, 310));
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(iniHas("ViewHeight=150"));
}

TEST_F(StartUp, StoredGeometryAppliesAsReadUnlessTheWindowWouldBeLost) {
    const struct {
        const char* window;
        QPoint place;
        QSize size;
    } cases[] = {
        {"Top=5\r\nLeft=7\r\nHeight=90\r\nWidth=150", {7, 5}, {150, 90}},
        {"Top=-30\r\nLeft=-100\r\nHeight=200\r\nWidth=400", {-100, -30}, {400, 200}},
        {"Top=9000\r\nLeft=9000\r\nHeight=200\r\nWidth=400", {0, 0}, {400, 200}},
        {"Top=5\r\nLeft=7\r\nHeight=0\r\nWidth=-4", {7, 5}, {540, 300}},
    };
    for (const auto& c : cases) {
        files.put(IniPath, std::string("[Window]\r\n") + c.window + "\r\n");
        MainWindow& f = open();
        EXPECT_EQ(f.pos(), c.place) << c.window;
        EXPECT_EQ(f.size(), c.size) << c.window;
    }
}

TEST_F(StartUp, ValuesNoItemShowsKeepTheDesignChecksAndAreWrittenAsThose) {
    files.put(IniPath,
              "[Window]\r\nStyle=2\r\n[List]\r\nInterval=5\r\nSortKey=9\r\nSortType=2\r\n");
    MainWindow& f = open();
    EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(timer()->interval(), 5000);
    EXPECT_TRUE(action("Menu60s")->isChecked());
    EXPECT_TRUE(action("MenuSortUser")->isChecked() && action("MenuSortDec")->isChecked());
    EXPECT_TRUE(f.close());
    for (const char* line : {"Style=0", "Interval=60", "SortKey=0", "SortType=1"})
        EXPECT_TRUE(iniHas(line)) << line;
}

TEST_F(StartUp, AnIntervalWithoutAPositive32BitPeriodGivesNoTimedChecks) {
    for (const char* interval : {"0", "-1", "2147484"}) {
        SCOPED_TRACE(interval);
        files.put(IniPath, std::string("[List]\r\nInterval=") + interval + "\r\n");
        open();
        EXPECT_FALSE(timer()->isActive());
        clock.set({2024, 3, 2, 10, 0, 0});
        action("MenuRepaint")->trigger();
        EXPECT_EQ(statusText(0), QStringLiteral("監視時刻： 10:00:00")) << "refresh still checks";
        action("Menu60s")->trigger();
        EXPECT_TRUE(timer()->isActive()) << "an interval chosen starts timed checks";
        clock.set({2024, 3, 2, 9, 5, 7});
    }
}

TEST_F(StartUp, AnUnreadableWatchListIsReportedAndTheFirstCheckIsSkipped) {
    watchThreeFiles();
    files.files[ListPath].kind = FakeFile::Unreadable;
    MainWindow& f = open();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "ﾌｧｲﾙ " + std::string(ListPath) + " は開けません");
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(statusText(0), QString());
    EXPECT_EQ(f.pos(), QPoint(1, 1)) << "the window is placed before the list is read";

    QMetaObject::invokeMethod(timer(), "timeout");
    EXPECT_EQ(statusText(0), QStringLiteral("監視時刻： 09:05:07")) << "the first tick checks";
    EXPECT_EQ(list()->rowCount(), 0) << "an empty list";
}

TEST_F(Closing, WritesTheWindowColumnsAndListKeysButNoColourSection) {
    MainWindow& f = open();
    f.move(30, 45);
    f.resize(610, 333);
    header()->resizeSection(2, 75);
    action("MenuSortSize")->trigger();
    action("MenuSortDec")->trigger();
    action("Menu30s")->trigger();
    action("MenuNotify")->trigger();
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.isVisible());
    for (const char* line : {"[Window]", "Top=45", "Left=30", "Height=333", "Width=610",
                             "ViewHeight=200", "H0=120", "H2=75", "H4=144", "Style=0", "[List]",
                             "Interval=30", "SortKey=3", "SortType=1", "Notify=1"})
        EXPECT_TRUE(iniHas(line)) << line << " in\n" << ini();
    EXPECT_EQ(ini().find("[Color]"), std::string::npos);
}

TEST_F(Closing, WhileMaximisedTheWindowKeysStayAsTheFileHasThem) {
    files.put(IniPath,
              "[Window]\r\nTop=7\r\nLeft=8\r\nHeight=250\r\nWidth=500\r\nViewHeight=90\r\n");
    MainWindow& f = open();
    f.showMaximized();
    header()->resizeSection(0, 99);
    EXPECT_TRUE(f.close());
    for (const char* line : {"Top=7", "Left=8", "Height=250", "Width=500", "ViewHeight=90", "H0=99",
                             "Style=0", "Interval=60"})
        EXPECT_TRUE(iniHas(line)) << line << " in\n" << ini();
}

TEST_F(Closing, WhileMinimisedTheRestoredPlaceIsWritten) {
    MainWindow& f = open();
    f.move(12, 34);
    f.resize(560, 320);
    f.showMinimized();
    EXPECT_TRUE(f.close());
    for (const char* line : {"Top=34", "Left=12", "Height=320", "Width=560"})
        EXPECT_TRUE(iniHas(line)) << line << " in\n" << ini();
}

TEST_F(Closing, WithTheContentViewOpenTheStoredHeightLeavesTheViewOut) {
    watchThreeFiles();
    MainWindow& f = open();
    // The table keeps its height, the window grows by the view.
    list()->setCurrentIndex(list()->model()->index(1, 0));
    action("MenuFileView")->trigger();
    settle();
    ASSERT_EQ(f.height(), 500);
    ASSERT_EQ(child("PanelView")->height(), 200);
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(iniHas("Height=300"));
}

TEST_F(Closing, AFailedWriteIsReportedAndKeepsTheWindowOpenUntilAWriteSucceeds) {
    watchThreeFiles();
    MainWindow& f = open();
    files.failWrites = true;
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "/app/Morvane.ini に書き込めません");
    EXPECT_EQ(records().size(), 3u);

    files.failWrites = false;
    action("MenuExit")->trigger();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(iniHas("[List]"));
}

TEST_F(Closing, TheEndOfTheSessionWritesTheSettingsAndRefusesOnlyWhenItMayAsk) {
    MainWindow& f = open();
    action("MenuSortName")->trigger();
    bool asked = false;
    EXPECT_TRUE(f.sessionEnding([&] { return asked = true; }));
    EXPECT_FALSE(asked) << "the user is asked nothing when the settings are written";
    EXPECT_TRUE(iniHas("SortKey=1"));
    EXPECT_TRUE(f.isVisible());

    files.failWrites = true;
    EXPECT_TRUE(f.sessionEnding([] { return false; }));
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(f.sessionEnding([] { return true; }));
    EXPECT_EQ(errors.size(), 1u);

    // The close box after the session's request writes the same again.
    files.failWrites = false;
    const std::string first = ini();
    EXPECT_TRUE(f.close());
    EXPECT_EQ(ini(), first);
}

TEST_F(StartUp, AFileThatDoesNotAnswerKeepsItsRowWhileTheOthersAreCheckedAndTheWindowCloses) {
    watchThreeFiles();
    lookUpsOnThreads = true;
    loadsOnThreads = true;
    files.hold("/w/old.txt");
    open();
    const auto waitFor = [&](const char* states) {
        return QTest::qWaitFor([&] { return this->states() == states; }, 5000);
    };
    ASSERT_TRUE(waitFor("839")) << "the others answer; the held file waits, not found by no one";
    EXPECT_EQ(statusText(2), QStringLiteral("応答なし: 1 件"));
    EXPECT_EQ(list()->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/w/old.txt\n応答待ち\n2024/03/02 09:05:07 から応答なし"));

    files.files["/w/today.txt"].modified = {2024, 3, 2, 9, 6, 0};
    action("MenuRepaint")->trigger();
    ASSERT_TRUE(waitFor("819"));
    EXPECT_EQ(statusText(2), QStringLiteral("応答なし: 1 件"));
    EXPECT_EQ(files.lookUpsOf("/w/old.txt"), 1) << "a pending lookup is not asked again";

    // Its content read hangs too.
    list()->setCurrentIndex(list()->model()->index(0, 0));
    action("MenuFileView")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return files.readsOf("/w/old.txt") == 1; }, 5000));

    EXPECT_TRUE(form->close());
    form.reset();  // waits for no lookup
    EXPECT_TRUE(iniHas("[List]"));
    // The lookup and the read return after the window and the file system's maker are gone.
    FakeFileSystem* stillUsed = sharedFiles.get();
    const std::weak_ptr<FakeFileSystem> fileSystem = sharedFiles;
    sharedFiles.reset();
    stillUsed->release("/w/old.txt");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fileSystem.expired(); }, 5000));
}

TEST(RealFolder, TheFirstCloseCreatesTheSettingsFileBesideTheWatchList) {
    char pattern[] = "/tmp/morvane-window-XXXXXX";
    const std::string dir = std::string(mkdtemp(pattern)) + '/';
    struct Cleanup {
        std::string dir;
        ~Cleanup() { std::filesystem::remove_all(dir); }
    } cleanup{dir};
    std::ofstream(dir + "Filelst.txt", std::ios::binary) << entry("self", dir + "Filelst.txt");
    SystemPlatform system;
    Platform platform = system.platform();
    {
        UiHooks hooks;
        hooks.reportError = [](const std::string& m) { ADD_FAILURE() << m; };
        MainWindow f(platform, system.sharedFiles(), dir, hooks);
        f.show();
        const QAbstractItemModel* rows = f.findChild<RecordListView*>("ListLog")->model();
        // The lookup runs on a thread of its own; its answer comes back to the window.
        ASSERT_TRUE(QTest::qWaitFor([&] { return rows->rowCount() == 1; }, 5000));
        const QByteArray record =
            rows->index(0, 0).data(RecordTableModel::RecordRole).toByteArray();
        EXPECT_EQ(record.at(20), '3') << "modified today";
        EXPECT_TRUE(f.close());
    }
    std::ostringstream ini;
    ini << std::ifstream(dir + "Morvane.ini", std::ios::binary).rdbuf();
    EXPECT_NE(ini.str().find("[Window]\r\nTop=1\r\nLeft=1\r\nHeight=300\r\nWidth=540\r\n"),
              std::string::npos)
        << ini.str();
    EXPECT_NE(ini.str().find("[List]\r\nInterval=60\r\nSortKey=0\r\nSortType=0\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace morvane::testing
