// The content view: opening and closing it, the heights it takes and gives back, what a
// missing or unreadable file does to it, and how it reads, follows and finds in a file it
// never holds whole.

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "ContentView.h"
#include "LogReader.h"
#include "Mailbox.h"
#include "PosixFileSystem.h"
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

    // The whole text as the user copies it: Ctrl+A, Ctrl+C.
    std::string memo() { return copiedText(memoList(), loadsOnThreads); }
    bool isOpen() { return action("MenuFileView")->isChecked() && child("PanelView")->isVisible(); }
    QAbstractScrollArea* memoList() { return child<QAbstractScrollArea>("MemoList"); }

public:
    // onThreads: the copy's read runs on a thread of its own; its text comes a little later.
    static std::string copiedText(QWidget* memo, bool onThreads = false) {
        QApplication::clipboard()->clear();
        QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
        settle();
        if (onThreads)
            (void)QTest::qWaitFor([] { return !QApplication::clipboard()->text().isEmpty(); },
                                  1000);
        return QApplication::clipboard()->text().toStdString();
    }
    // The lines in view, as a screen reader reads them.
    static QStringList visibleLines(QWidget* memo) {
        QAccessibleTextInterface* text =
            QAccessible::queryAccessibleInterface(memo)->textInterface();
        return text->text(0, text->characterCount()).split(u'\n');
    }
    static QString selectedText(QWidget* memo) {
        QAccessibleTextInterface* text =
            QAccessible::queryAccessibleInterface(memo)->textInterface();
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        return text->selectionCount() ? text->text(start, end) : QString();
    }
    // Whether the row of the view (0 the top) is drawn on the new-line mark's ground: the
    // ground a quarter of the way from black to lime.
    static bool rowMarked(QAbstractScrollArea* memo, int row) {
        const QImage drawn = memo->viewport()->grab().toImage();
        const int rowHeight = memo->fontMetrics().lineSpacing();
        return drawn.pixelColor(drawn.width() - 3, row * rowHeight + rowHeight / 2) ==
               QColor(0, 63, 0);
    }
    static bool rowHasText(QAbstractScrollArea* memo, int row) {
        const QImage drawn = memo->viewport()->grab().toImage();
        const int rowHeight = memo->fontMetrics().lineSpacing();
        for (int y = row * rowHeight; y < (row + 1) * rowHeight; ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixelColor(x, y) != QColor(Qt::black)) return true;
        return false;
    }
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

TEST_F(ContentView, LongLinesWrapAtTheViewsWidth) {
    struct Case {
        const char* what;
        std::string text;
        bool wraps;
    };
    const Case cases[] = {
        {"a run with nowhere to break", std::string(100000, 'x'), true},
        {"words", "alpha bravo charlie\ndelta", false},
        {"a long line of words",
         [] {
             std::string words;
             while (words.size() < 100000) words += "word, ";
             return words;
         }(),
         true},
        {"minified numbers", "[" + std::string(20000, '1') + ",2]", true},
    };
    openWatching();
    select(0);
    command();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files.put("/w/b.txt", c.text);
        select(0);
        select(1);
        ASSERT_TRUE(isOpen());
        EXPECT_EQ(memo(), c.text) << "the text as loaded";
        if (c.wraps) {
            EXPECT_TRUE(rowHasText(memoList(), 1)) << "the line goes on on the next row";
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
        if (atEnd) {
            QTest::keyClick(memoList(), Qt::Key_End, Qt::ControlModifier);
        } else {
            for (int i = 0; i < 10; ++i) QTest::keyClick(memoList(), Qt::Key_PageDown);
        }
        settle();
        const QString top = visibleLines(memoList()).front();
        files.put("/w/a.txt", log + "new one\nnew two\n", {2024, 3, 1, 12, 0, 2});
        action("MenuRepaint")->trigger();
        settle();
        EXPECT_EQ(memo(), log + "new one\nnew two\n");
        if (atEnd)
            EXPECT_EQ(visibleLines(memoList()).back(), QStringLiteral("new two"));
        else
            EXPECT_EQ(visibleLines(memoList()).front(), top);
        action("MenuRepaint")->trigger();  // unchanged: not read again, so the mark stays
        settle();
        QTest::keyClick(memoList(), Qt::Key_End, Qt::ControlModifier);
        settle();
        const int rows = memoList()->viewport()->height() / memoList()->fontMetrics().lineSpacing();
        ASSERT_EQ(visibleLines(memoList()).back(), QStringLiteral("new two"));
        EXPECT_FALSE(rowMarked(memoList(), rows - 3)) << "line 199";
        EXPECT_TRUE(rowMarked(memoList(), rows - 2)) << "new one";
        EXPECT_TRUE(rowMarked(memoList(), rows - 1)) << "new two";
    }
}

TEST_F(ContentView, AFollowedFileCutReplacedOrHalfWrittenShowsWhatItHoldsNow) {
    std::string log;
    for (int i = 0; i < 200; ++i) log += "old line " + std::to_string(i) + "\n";
    std::string rotated;
    for (int i = 0; i < 50; ++i) rotated += "new line " + std::to_string(i) + "\n";
    const struct {
        const char* what;
        std::string before;
        bool atEnd;  // the view sat at the end of the text
        std::string after;
        QString lastInView;  // empty: the view shows the start
    } rows[] = {
        {"copytruncate: cut to nothing, then written", log, false, "a\nb\nc\n", "c"},
        {"create rotation with the view at its end: the end of the new file", log, true, rotated,
         "new line 49"},
        {"a rotation elsewhere shows the new file's start", log, false, rotated, ""},
        {"half a UTF-8 character at the end, then the rest", "日本\n\xE8\xAA", true, "日本\n語\n",
         "語"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        openWatching(row.before);
        select(0);
        command();
        if (row.atEnd) QTest::keyClick(memoList(), Qt::Key_End, Qt::ControlModifier);
        settle();
        if (row.before.back() == '\xAA') {
            EXPECT_EQ(memo(), "日本\n") << "the half is left out";
        }
        files.put("/w/a.txt", row.after, {2024, 3, 1, 12, 0, 2});
        action("MenuRepaint")->trigger();
        settle();
        EXPECT_EQ(memo(), row.after);
        if (row.lastInView.isEmpty())
            EXPECT_EQ(visibleLines(memoList()).front(), QStringLiteral("new line 0"));
        else
            EXPECT_EQ(visibleLines(memoList()).back(), row.lastInView);
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

// As in a text box: a double click selects a word, the menu copies it or selects all.
TEST_F(ContentView, ADoubleClickSelectsAWordAndTheMenuCopiesIt) {
    openWatching("alpha bravo charlie\n");
    select(0);
    command();
    QWidget* const box = memoList()->viewport();
    const QPoint inBravo(memoList()->fontMetrics().horizontalAdvance(QStringLiteral("alpha br")),
                         memoList()->fontMetrics().lineSpacing() / 2);
    QTest::mouseDClick(box, Qt::LeftButton, {}, inBravo);
    EXPECT_EQ(selectedText(memoList()), QStringLiteral("bravo"));
    // A screen reader's review by mouse finds the same character.
    QAccessibleTextInterface* text =
        QAccessible::queryAccessibleInterface(memoList())->textInterface();
    EXPECT_EQ(text->offsetAtPoint(box->mapToGlobal(inBravo)), 8);
    EXPECT_TRUE(text->characterRect(8).contains(box->mapToGlobal(inBravo)));
    QApplication::clipboard()->clear();
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->actions().back()->text(), QStringLiteral("すべて選択(&A)"));
        menu->actions().front()->trigger();
        menu->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, inBravo, box->mapToGlobal(inBravo));
    QApplication::sendEvent(box, &click);
    settle();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("bravo"));
}

TEST_F(ContentView, AnEarlierChoiceToldAfterALaterOneIsNotShown) {
    loadsToldLater = true;
    openWatching();
    select(0);
    command();
    list()->setCurrentIndex(list()->model()->index(1, 0));  // read, not yet told
    list()->setCurrentIndex(list()->model()->index(0, 0));
    settle();
    EXPECT_EQ(memo(), "alpha\nsecond line");
}

TEST_F(ContentView, AFileChangedWhileTheViewOpensOnItIsReadAgain) {
    loadsToldLater = true;
    openWatching("one\n");
    select(0);
    action("MenuFileView")->trigger();  // read, and its text not yet shown
    files.put("/w/a.txt", "one\ntwo\n", {2024, 3, 1, 12, 0, 2});
    action("MenuRepaint")->trigger();
    settle();
    EXPECT_TRUE(isOpen());
    EXPECT_EQ(memo(), "one\ntwo\n");
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
        QAccessibleTextInterface* text =
            QAccessible::queryAccessibleInterface(memoList())->textInterface();
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        return text->text(start, end) == QStringLiteral("ログ") ? start : -1;
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

TEST(ContentViewOnDisk, ALargeLogShowsItsEndFindsItsLastWordAndCopiesAcrossPieces) {
    const TempFolder dir;
    std::string log;
    std::size_t alpha = 0;
    for (int i = 0; log.size() < 40 * 1024 * 1024; ++i) {
        // A word a little before the boundary of the reader's first piece.
        if (alpha == 0 && log.size() > LogReader::PieceBytes - 200) {
            alpha = log.size();
            log += "alpha ";
        }
        log += "2024-03-01 12:00:00 worker " + std::to_string(i) + " handled a request\r\n";
    }
    log += "the last line holds zebra";
    const std::string path = dir.write("big.log", log);
    const auto settle = [] {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    };
    morvane::ContentView view;
    view.resize(500, 200);
    view.setCodec(realPlatform().codec());
    view.show();
    Mailbox mailbox(&view);
    const std::shared_ptr<const FileSystem> files = makePosixFileSystem();
    LogReader::open(
        files, path, [](std::function<void()> work) { return work(), true; },
        [&](std::function<void()> delivery) { mailbox.post(std::move(delivery)); },
        [&](ContentLoad::Status status, std::shared_ptr<LogReader> reader) {
            ASSERT_EQ(status, ContentLoad::Loaded);
            view.showFile(reader);
        });
    settle();
    auto* memo = view.findChild<QAbstractScrollArea*>(QStringLiteral("MemoList"));
    using Test = ContentView;  // the window tests' fixture, for its helpers
    EXPECT_TRUE(Test::visibleLines(memo).front().startsWith(QStringLiteral("2024-03-01")));

    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    settle();
    EXPECT_EQ(Test::visibleLines(memo).back(), QStringLiteral("the last line holds zebra"));

    QTest::keyClick(memo, Qt::Key_Home, Qt::ControlModifier);
    settle();
    auto* box = view.findChild<QLineEdit*>(QStringLiteral("EditFind"));
    box->setText(QStringLiteral("ZEBRA"));
    QTest::keyClick(box, Qt::Key_Return);
    settle();
    EXPECT_EQ(Test::selectedText(memo), QStringLiteral("zebra")) << "either case";
    EXPECT_EQ(Test::visibleLines(memo).back(), QStringLiteral("the last line holds zebra"));

    // From the word before the piece boundary to the end of the third line after it.
    box->setText(QStringLiteral("alpha"));
    QTest::keyClick(box, Qt::Key_Return);
    settle();
    ASSERT_EQ(Test::selectedText(memo), QStringLiteral("alpha"));
    for (int i = 0; i < 3; ++i) QTest::keyClick(memo, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(memo, Qt::Key_End, Qt::ShiftModifier);
    QApplication::clipboard()->clear();
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
    settle();
    std::size_t end = alpha;
    for (int i = 0; i < 4; ++i) end = log.find("\r\n", end) + 2;
    std::string expected = log.substr(alpha, end - 2 - alpha);
    for (std::size_t at; (at = expected.find('\r')) != std::string::npos;) expected.erase(at, 1);
    ASSERT_GT(end, LogReader::PieceBytes);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);
}

}  // namespace
}  // namespace morvane::testing
