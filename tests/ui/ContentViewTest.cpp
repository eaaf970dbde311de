// The content view: opening and closing it, the heights it takes and gives back, and what a
// missing or unreadable file does to it.

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "RecordList.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

class ContentView : public WindowTest {
protected:
    std::vector<std::string> viewErrors;

    // Three watched files in this order: two with text, one missing. The view adds 90 pixels.
    MainWindow& openWatching(const std::string& a = "alpha\r\nsecond line") {
        files.put(IniPath, "[Window]\r\nViewHeight=90\r\n");
        files.put("/w/a.txt", a);
        files.put("/w/b.txt", "bravo");
        files.put(ListPath,
                  entry("a", "/w/a.txt") + entry("b", "/w/b.txt") + entry("gone", "/w/gone.txt"));
        return open();
    }

    // The content view's error boxes are recorded rather than shown; any other dialog ends
    // with cancel.
    void SetUp() override {
        onModal = [this](QDialog& d) {
            auto* box = qobject_cast<QMessageBox*>(&d);
            if (box && box->windowTitle() == QStringLiteral("ｴﾗｰ"))
                viewErrors.push_back(box->text().toStdString());
            return 2;
        };
    }

    void select(int row) {
        list()->setCurrentIndex(list()->model()->index(row, 0));
        settle();
    }

    void command() {
        action("MenuFileView")->trigger();
        settle();
    }

    std::string memo() { return child<QPlainTextEdit>("MemoList")->toPlainText().toStdString(); }
    bool isOpen() { return action("MenuFileView")->isChecked() && child("PanelView")->isVisible(); }
    QPlainTextEdit* memoList() { return child<QPlainTextEdit>("MemoList"); }
};

TEST_F(ContentView, TheCommandWithoutASelectedRowShowsTheErrorBoxAndChangesNothing) {
    open();
    std::vector<QString> shown;
    onModal = [&](QDialog& d) {
        auto* box = qobject_cast<QMessageBox*>(&d);
        EXPECT_NE(box, nullptr);
        if (!box) return 0;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("ｴﾗｰ"));
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        shown.push_back(box->text());
        return int(QMessageBox::Ok);
    };
    command();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], QStringLiteral("表示するファイルを選択されていません。"));
    EXPECT_FALSE(isOpen());

    // Open, then a check refills the list and leaves no row selected: the view stays open.
    MainWindow& g = openWatching();
    select(0);
    command();
    ASSERT_TRUE(isOpen());
    const int height = g.height();
    action("MenuRepaint")->trigger();
    command();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], QStringLiteral("表示するファイルを選択されていません。"));
    EXPECT_TRUE(isOpen());
    EXPECT_EQ(g.height(), height);
    EXPECT_EQ(memo(), "alpha\nsecond line");
}

TEST_F(ContentView, AMaximisedWindowGivesTheViewItsHeightFromTheTable) {
    MainWindow& f = openWatching();
    f.showMaximized();
    settle();
    const int screenHeight = f.height();
    const int table = child("Panel1")->height();
    select(0);
    command();
    ASSERT_TRUE(isOpen());
    EXPECT_TRUE(f.isMaximized());
    EXPECT_EQ(f.height(), screenHeight);
    EXPECT_EQ(child("PanelView")->height(), 90);
    EXPECT_EQ(child("Panel1")->height(), table - 90);

    command();
    EXPECT_FALSE(isOpen());
    EXPECT_TRUE(f.isMaximized());
    EXPECT_EQ(f.height(), screenHeight);
    EXPECT_EQ(child("Panel1")->height(), table);
}

TEST_F(ContentView, ClosingGivesBackTheHeightBeforeOpeningAndTheTableKeepsItsHeight) {
    MainWindow& f = openWatching();
    const int before = f.height();
    const int table = child("Panel1")->height();
    select(1);
    EXPECT_FALSE(isOpen()) << "a selection alone does not open the view";
    command();
    ASSERT_TRUE(isOpen());
    EXPECT_EQ(memo(), "bravo");
    EXPECT_EQ(f.height(), before + 90);
    EXPECT_EQ(child("PanelView")->height(), 90);
    EXPECT_EQ(child("Panel1")->height(), table);

    for (int change : {+70, -40}) {
        f.resize(f.width(), f.height() + change);
        settle();
        EXPECT_EQ(child("Panel1")->height(), table) << change;
    }
    EXPECT_EQ(child("PanelView")->height(), 120);

    command();
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(f.height(), before);
    EXPECT_EQ(child("Panel1")->height(), table);
    EXPECT_EQ(memo(), "bravo") << "the text stays while the view is closed";

    command();
    EXPECT_EQ(f.height(), before + 90) << "the view opens with ViewHeight, not its last height";
    f.resize(f.width(), f.height() + 30);
    settle();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(iniHas("Height=" + std::to_string(before))) << ini();
    EXPECT_TRUE(iniHas("ViewHeight=90")) << ini();
}

TEST_F(ContentView, AFailedLoadKeepsTheTextAndLeavesTheViewClosedOrClosesIt) {
    struct Case {
        const char* what;
        bool fromSelection;  // else from the command
    };
    for (const Case c : {Case{"command", false}, Case{"row selection", true}}) {
        SCOPED_TRACE(c.what);
        viewErrors.clear();
        MainWindow& f = openWatching();
        const int before = f.height();
        select(0);
        command();
        ASSERT_TRUE(isOpen());
        files.files["/w/b.txt"].kind = FakeFile::Unreadable;
        if (c.fromSelection) {
            select(1);
        } else {
            command();
            ASSERT_FALSE(isOpen());
            select(1);
            command();
        }
        EXPECT_EQ(viewErrors, std::vector<std::string>{"b.txt はファイルを開けません。"});
        EXPECT_FALSE(isOpen());
        EXPECT_EQ(f.height(), before);
        EXPECT_EQ(memo(), "alpha\nsecond line");
    }
}

TEST_F(ContentView, ASlowLoadSaysSoAndTheLastRowChosenWins) {
    loadsOnThreads = true;
    openWatching();
    const auto shows = [&](const char* text) {
        return QTest::qWaitFor([&] { return memo() == text; }, 5000);
    };
    select(0);
    command();
    ASSERT_TRUE(shows("alpha\nsecond line"));
    EXPECT_TRUE(isOpen());

    files.hold("/w/b.txt");  // its read does not return
    select(1);
    EXPECT_TRUE(shows("読み込み中…")) << "after a second of waiting";
    select(0);
    EXPECT_TRUE(shows("alpha\nsecond line"));
    const int loads = loadsStarted;
    select(1);
    EXPECT_EQ(loadsStarted, loads) << "the second choice waits for the read that runs";
    select(0);
    EXPECT_TRUE(shows("alpha\nsecond line"));
    files.release("/w/b.txt");
    files.awaitNoLookUp();
    QTest::qWait(100);
    EXPECT_EQ(memo(), "alpha\nsecond line") << "the earlier choice's late text is dropped";
    EXPECT_TRUE(viewErrors.empty());
}

TEST_F(ContentView, AMissingFileOpensOrKeepsTheViewWithItsEarlierText) {
    openWatching();
    select(2);
    command();
    EXPECT_TRUE(isOpen());
    EXPECT_EQ(memo(), "") << "nothing was loaded yet";
    select(1);
    EXPECT_EQ(memo(), "bravo");
    files.files.erase("/w/b.txt");
    for (int row : {2, 1}) {
        select(row);
        EXPECT_TRUE(isOpen()) << row;
        EXPECT_EQ(memo(), "bravo") << row;
    }
    EXPECT_TRUE(viewErrors.empty());
}

TEST_F(ContentView, TheFileOfTheWholeWatchListPathIsShownNotThatOfTheCutFields) {
    // Both the directory (over 40 bytes) and the file name (over 20) are longer than their fields.
    const std::string dir = "/w/" + std::string(50, 'd');
    const std::string path = dir + "/a-file-name-of-thirty-bytes.txt";
    files.put(path, "the whole path");
    files.put(dir.substr(0, 40) + "/a-file-name-of-thirt", "the cut path");
    files.put(ListPath, entry("long", path));
    open();
    select(0);
    command();
    ASSERT_TRUE(isOpen());
    EXPECT_EQ(memo(), "the whole path");
    EXPECT_TRUE(viewErrors.empty());
}

TEST_F(ContentView, TextIsWrappedAtWordsUnlessALongRunHasNowhereToBreak) {
    struct Case {
        const char* what;
        std::string text;
        QTextOption::WrapMode wrap;
    };
    const Case cases[] = {
        {"a run with nowhere to break", std::string(100000, 'x'), QTextOption::WrapAnywhere},
        {"words", "alpha bravo charlie\ndelta", QTextOption::WrapAtWordBoundaryOrAnywhere},
        {"a long line of words",
         [] {
             std::string words;
             while (words.size() < 100000) words += "word, ";
             return words;
         }(),
         QTextOption::WrapAtWordBoundaryOrAnywhere},
        {"minified numbers", "[" + std::string(20000, '1') + ",2]", QTextOption::WrapAnywhere},
    };
    openWatching();
    select(0);
    command();
    auto* view = child<QPlainTextEdit>("MemoList");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files.put("/w/b.txt", c.text);
        select(0);
        select(1);
        ASSERT_TRUE(isOpen());
        EXPECT_EQ(view->wordWrapMode(), c.wrap);
        EXPECT_EQ(view->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        EXPECT_EQ(memo(), c.text) << "the text as loaded";
        if (c.text.size() > 1000) {
            EXPECT_GT(view->document()->lastBlock().layout()->lineCount(), 10) << "wrapped";
        }
    }
}

TEST_F(ContentView, AFileAppendedToIsReadAgainInPlaceWithExactlyTheNewLinesMarked) {
    std::string log;
    for (int i = 0; i < 200; ++i) log += "line " + std::to_string(i) + "\n";
    for (const bool atEnd : {true, false}) {
        SCOPED_TRACE(atEnd ? "at the end" : "in the middle");
        openWatching(log);
        select(0);
        command();
        QScrollBar* bar = memoList()->verticalScrollBar();
        bar->setValue(atEnd ? bar->maximum() : 100);
        const auto firstVisible = [&] {
            return memoList()->cursorForPosition({0, 0}).blockNumber();
        };
        const int top = firstVisible();
        files.put("/w/a.txt", log + "new one\nnew two\n", {2024, 3, 1, 12, 0, 2});
        action("MenuRepaint")->trigger();
        settle();
        EXPECT_EQ(memo(), log + "new one\nnew two\n");
        if (atEnd)
            EXPECT_EQ(bar->value(), bar->maximum());
        else
            EXPECT_EQ(firstVisible(), top);
        action("MenuRepaint")->trigger();  // unchanged: not read again, so the mark stays
        settle();
        const auto marks = memoList()->extraSelections();
        ASSERT_EQ(marks.size(), 1);
        const QTextCursor& mark = marks[0].cursor;
        const QTextDocument* document = memoList()->document();
        EXPECT_EQ(document->findBlock(mark.selectionStart()).blockNumber(), 200);
        EXPECT_EQ(document->findBlock(mark.selectionEnd() - 1).blockNumber(), 201);
    }
}

TEST_F(ContentView, TheFollowedFileIsReadAgainAtEveryWriteAndWhereverItsLineMoves) {
    openWatching("one\n");
    select(0);
    command();
    const auto write = [&](const std::string& text, int second) {
        files.put("/w/a.txt", text, {2024, 3, 1, 12, 0, second});
        action("MenuRepaint")->trigger();
        settle();
    };
    // Two writes within one two-second step: the second changes only the size.
    write("one\ntwo\n", 2);
    write("one\ntwo\nthree\n", 3);
    EXPECT_EQ(memo(), "one\ntwo\nthree\n");

    onModal = [&](QDialog&) {
        files.put(ListPath, entry("b", "/w/b.txt") + entry("a", "/w/a.txt"));
        return 1;
    };
    action("MenuFileSet")->trigger();  // a line above the followed file's
    settle();
    write("one\ntwo\nthree\nfour\n", 4);
    EXPECT_EQ(memo(), "one\ntwo\nthree\nfour\n");
}

TEST_F(ContentView, CtrlFFindsJapaneseAsTypedAndEnterSelectsItsNextPlace) {
    openWatching("ログ一\n二行目\n三 ログ\n");
    select(0);
    command();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    memoList()->setFocus();
    QTest::keyClick(memoList(), Qt::Key_F, Qt::ControlModifier);
    auto* box = child<QLineEdit>("EditFind");
    ASSERT_TRUE(box->hasFocus());
    EXPECT_EQ(box->accessibleName(), QStringLiteral("検索"));
    EXPECT_EQ(memoList()->accessibleName(), QStringLiteral("内容"));
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("ログ"));
    QApplication::sendEvent(box, &typed);
    const auto found = [&] {
        const QTextCursor c = memoList()->textCursor();
        return c.selectedText() == QStringLiteral("ログ") ? c.selectionStart() : -1;
    };
    std::vector<int> places;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(box, Qt::Key_Return);
        places.push_back(found());
    }
    QTest::keyClick(box, Qt::Key_F3, Qt::ShiftModifier);
    places.push_back(found());
    EXPECT_EQ(places, (std::vector<int>{0, 10, 0, 10})) << "round from the other end";
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_FALSE(child("PanelFind")->isVisible());
}

}  // namespace
}  // namespace morvane::testing
