#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>

#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "FakePlatform.h"
#include "MainWindow.h"
#include "QtText.h"
#include "RecordList.h"
#include "WatchListDialog.h"

namespace morvane {
namespace {

using testing::FakeFile;
using testing::sjis;

struct Message {
    QMessageBox::Icon icon;
    QString text;
};

// The dialog's controls, found by the names the window design gives them.
template <class T = QWidget>
T* child(const WatchListDialog& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QLatin1String(name));
    if (!found) ADD_FAILURE() << "no " << name;
    return found;
}
QListWidget* list(const WatchListDialog& d) {
    return child<QListWidget>(d, "ListFile");
}
QLineEdit* nameBox(const WatchListDialog& d) {
    return child<QLineEdit>(d, "EditName");
}
QLineEdit* fileBox(const WatchListDialog& d) {
    return child<QLineEdit>(d, "EditFile");
}
void click(const WatchListDialog& d, const char* button) {
    child<QPushButton>(d, button)->click();
}

// The list as OK would write it: each item's bytes after its tick.
std::string listed(const WatchListDialog& dialog) {
    std::vector<EditorEntry> entries;
    for (int i = 0; i < list(dialog)->count(); ++i) {
        const QListWidgetItem* item = list(dialog)->item(i);
        entries.push_back({item->data(Qt::UserRole).toByteArray().toStdString(),
                           item->checkState() == Qt::Checked});
    }
    return watchListBytes(entries);
}
int selected(const WatchListDialog& dialog) {
    const auto items = list(dialog)->selectedItems();
    return items.isEmpty() ? -1 : list(dialog)->row(items.first());
}
void select(WatchListDialog& dialog, int row) {
    list(dialog)->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}
void add(WatchListDialog& dialog, const QString& name, const QString& path) {
    nameBox(dialog)->setText(name);
    fileBox(dialog)->setText(path);
    click(dialog, "BtnAdd");
}

class EditorDialogTest : public ::testing::Test, protected testing::FakePlatform {
protected:
    const std::string listPath = "/app/Filelst.txt";
    std::vector<Message> messages;
    std::vector<QString> pickStarts;
    std::optional<QString> picked;

    // The dialog on "/app/", its messages and file picks recorded; not yet shown.
    std::unique_ptr<WatchListDialog> make() {
        UiHooks hooks;
        hooks.showMessage = [this](QMessageBox::Icon icon, const QString& text) {
            messages.push_back({icon, text});
        };
        hooks.pickFile = [this](const QString& start) {
            pickStarts.push_back(start);
            return picked;
        };
        return std::make_unique<WatchListDialog>(platform, "/app/", hooks);
    }
    std::unique_ptr<WatchListDialog> open() {
        auto dialog = make();
        dialog->show();
        return dialog;
    }
};

TEST_F(EditorDialogTest, OpensWithTheFocusAndTheInputMethodOnTheNameAndAFixedPitchList) {
    files.put(listPath, "1" + std::string(20, ' ') + "/a\r\n");
    auto dialog = open();
    dialog->activateWindow();
    EXPECT_EQ(dialog->focusWidget(), nameBox(*dialog));
    EXPECT_TRUE(nameBox(*dialog)->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(fileBox(*dialog)->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(fileBox(*dialog)->inputMethodHints() & Qt::ImhLatinOnly);
    const QFontMetrics metrics(list(*dialog)->font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
              metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_EQ(list(*dialog)->visualItemRect(list(*dialog)->item(0)).height(), 16);
    // A screen reader names each box by its label.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(nameBox(*dialog))->text(QAccessible::Name),
              QStringLiteral("名前："));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(fileBox(*dialog))->text(QAccessible::Name),
              QStringLiteral("ファイル名："));
}

TEST_F(EditorDialogTest, OnlyOkWritesTheListAndEachWayOutGivesItsResult) {
    const struct {
        const char* what;
        std::function<void(WatchListDialog&)> end;
        int result;
        std::string written;
    } cases[] = {
        {"OK writes the list, an empty one as an empty file",
         [](WatchListDialog& d) { click(d, "BtnOk"); }, 1, ""},
        {"cancel", [](WatchListDialog& d) { click(d, "BtnCancel"); }, 2, "1A\r\n"},
        {"the close box", [](WatchListDialog& d) { d.close(); }, 2, "1A\r\n"},
        {"Escape and Enter do not end it",
         [](WatchListDialog& d) {
             QTest::keyClick(nameBox(d), Qt::Key_Escape);
             QTest::keyClick(nameBox(d), Qt::Key_Return);
             QTest::keyClick(fileBox(d), Qt::Key_Enter);
             EXPECT_TRUE(d.isVisible());
             click(d, "BtnCancel");
         },
         2, "1A\r\n"},
    };
    for (const auto& c : cases) {
        files.put(listPath, "1A\r\n");
        files.writes = 0;
        auto dialog = make();
        QTimer::singleShot(0, dialog.get(), [&] {
            select(*dialog, 0);
            click(*dialog, "BtnDel");
            c.end(*dialog);
        });
        EXPECT_EQ(dialog->exec(), c.result) << c.what;
        EXPECT_EQ(files.writes, c.result == 1 ? 1 : 0) << c.what;
        EXPECT_EQ(files.files[listPath].bytes, c.written) << c.what;
        EXPECT_FALSE(dialog->isVisible()) << c.what;
    }
    EXPECT_TRUE(pickStarts.empty()) << "Enter pressed no button";
}

TEST_F(EditorDialogTest, AddCutsOrPadsTheNameToTwentyBytes) {
    const struct {
        const char* what;
        QString name;
        std::string field;
    } cases[] = {
        {"25 single-byte characters keep 20", QStringLiteral("abcdefghijklmnopqrstuvwxy"),
         "abcdefghijklmnopqrst"},
        {"3 characters get 17 blanks", QStringLiteral("abc"), "abc" + std::string(17, ' ')},
        {"an empty name is 20 blanks", QString(), std::string(20, ' ')},
        {"ten double-byte characters fill it exactly", QStringLiteral("あいうえおかきくけこ"),
         sjis("あいうえおかきくけこ")},
        {"21 bytes keep the tenth character's first byte", QStringLiteral("aあいうえおかきくけこ"),
         sjis("aあいうえおかきくけ") + "\x82"},
    };
    for (const auto& c : cases) {
        auto dialog = open();
        add(*dialog, c.name, QStringLiteral("/p"));
        EXPECT_EQ(listed(*dialog), "1" + c.field + "/p\r\n") << c.what;
    }
    // The half character shows as a blank, and the path keeps its column.
    auto dialog = open();
    add(*dialog, QStringLiteral("aあいうえおかきくけこ"), QStringLiteral("/p"));
    EXPECT_EQ(list(*dialog)->item(0)->text(), QStringLiteral("aあいうえおかきくけ /p"));
}

TEST_F(EditorDialogTest, AddAppendsTickedKeepsThePathAsTypedAndLeavesTheSelectionAlone) {
    files.put(listPath, "0first\r\n");
    auto dialog = open();
    select(*dialog, 0);
    add(*dialog, QStringLiteral("n"), QStringLiteral(" /lead and trail.txt  "));
    EXPECT_TRUE(nameBox(*dialog)->text().isEmpty());
    EXPECT_TRUE(fileBox(*dialog)->text().isEmpty());
    add(*dialog, QStringLiteral("n"), QStringLiteral(" /lead and trail.txt  "));
    const std::string added = "1n" + std::string(19, ' ') + " /lead and trail.txt  \r\n";
    EXPECT_EQ(listed(*dialog), "0first\r\n" + added + added);
    EXPECT_EQ(selected(*dialog), 0);

    add(*dialog, QStringLiteral("kept"), QStringLiteral(" \t  "));  // a blank path adds nothing
    EXPECT_EQ(list(*dialog)->count(), 3);
    EXPECT_EQ(nameBox(*dialog)->text(), QStringLiteral("kept"));
    EXPECT_EQ(fileBox(*dialog)->text(), QStringLiteral(" \t  "));
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorDialogTest, AddRefusesTextShiftJisCannotHold) {
    auto dialog = open();
    const std::pair<QString, QString> refused[] = {
        {QStringLiteral("ok"), QStringLiteral("/home/u/한국어.txt")},
        {QStringLiteral("ok"), QStringLiteral("/home/u/emoji😀.txt")},
        {QStringLiteral("한국"), QStringLiteral("/home/u/a.txt")},
        // characters the conversion would drop without a word
        {QStringLiteral("soft\u00ADhyphen"), QStringLiteral("/home/u/a.txt")},
        {QStringLiteral("ok"), QStringLiteral("/home/u/zero\u200Bwidth.txt")},
    };
    for (const auto& [name, path] : refused) {
        messages.clear();
        add(*dialog, name, path);
        EXPECT_EQ(list(*dialog)->count(), 0) << path.toStdString();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(nameBox(*dialog)->text(), name);
        EXPECT_EQ(fileBox(*dialog)->text(), path);
    }
    add(*dialog, QStringLiteral("日本"), QStringLiteral("/home/u/日本語～.txt"));
    EXPECT_EQ(list(*dialog)->count(), 1);
}

TEST_F(EditorDialogTest, MovesAndDeleteCarryTicksAndTheSelection) {
    const struct {
        const char* what;
        int selectedBefore;
        const char* button;
        std::string after;
        int selectedAfter;
    } cases[] = {
        {"up moves the item with its tick", 2, "BtnUp", "1A\r\n1C\r\n0B\r\n", 1},
        {"down moves it the other way", 0, "BtnDown", "0B\r\n1A\r\n1C\r\n", 1},
        {"up at the top does nothing", 0, "BtnUp", "1A\r\n0B\r\n1C\r\n", 0},
        {"down at the bottom does nothing", 2, "BtnDown", "1A\r\n0B\r\n1C\r\n", 2},
        {"up without a selection does nothing", -1, "BtnUp", "1A\r\n0B\r\n1C\r\n", -1},
        {"down without a selection does nothing", -1, "BtnDown", "1A\r\n0B\r\n1C\r\n", -1},
        {"delete removes the item and the selection", 1, "BtnDel", "1A\r\n1C\r\n", -1},
        {"delete without a selection does nothing", -1, "BtnDel", "1A\r\n0B\r\n1C\r\n", -1},
    };
    files.put(listPath, "1A\r\n0B\r\n1C\r\n");
    for (const auto& c : cases) {
        auto dialog = open();
        if (c.selectedBefore >= 0) select(*dialog, c.selectedBefore);
        click(*dialog, c.button);
        EXPECT_EQ(listed(*dialog), c.after) << c.what;
        EXPECT_EQ(selected(*dialog), c.selectedAfter) << c.what;
    }
}

TEST_F(EditorDialogTest, CtrlClickLeavesTheChosenItemChosen) {
    files.put(listPath, "1A\r\n0B\r\n");
    auto dialog = open();
    QListWidget* items = list(*dialog);
    const QPoint second = items->visualItemRect(items->item(1)).center();
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, second);
    ASSERT_EQ(selected(*dialog), 1);
    QTest::mouseClick(items->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
    EXPECT_EQ(selected(*dialog), 1);
    click(*dialog, "BtnDel");
    EXPECT_EQ(listed(*dialog), "1A\r\n");
}

TEST_F(EditorDialogTest, ShowsEveryLineAndOkWritesItWithItsTickAndUntouchedBytesAsTheyWere) {
    const std::string name = sjis("名前") + std::string(16, ' ');
    const std::string longLine = "1" + std::string(20, 'n') + "/" + std::string(300, 'p');
    const std::string invalid = "0name\xFF\x80\x81 half\x82";
    files.put(listPath, "1" + name + "C:\\a.txt\nxB\r\n\r0C\r" + longLine + "\r\n" + invalid);
    auto dialog = open();
    EXPECT_EQ(list(*dialog)->item(0)->text(), QStringLiteral("名前                C:\\a.txt"));
    EXPECT_EQ(selected(*dialog), -1);
    list(*dialog)->item(2)->setCheckState(Qt::Checked);
    add(*dialog, QStringLiteral("n"), QStringLiteral("/p"));
    click(*dialog, "BtnOk");
    EXPECT_EQ(files.files[listPath].bytes, "1" + name + "C:\\a.txt\r\n0B\r\n1\r\n0C\r\n" +
                                               longLine + "\r\n" + invalid + "\r\n1n" +
                                               std::string(19, ' ') + "/p\r\n");
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorDialogTest, AnUnreadableFileIsReportedAndNeverOverwritten) {
    files.put(listPath, "1precious\r\n").kind = FakeFile::Unreadable;
    auto dialog = open();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].text, QStringLiteral("ﾌｧｲﾙ /app/Filelst.txt は開けません."));
    EXPECT_EQ(list(*dialog)->count(), 0);

    add(*dialog, QStringLiteral("n"), QStringLiteral("/p"));
    click(*dialog, "BtnOk");
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(files.files[listPath].bytes, "1precious\r\n");
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[1].text.contains(QStringLiteral("/app/Filelst.txt")));
}

TEST_F(EditorDialogTest, AFailedWriteIsReportedAndTheDialogStillEndsWithOk) {
    files.put(listPath, "1A\r\n");
    files.failWrites = true;
    auto dialog = open();
    click(*dialog, "BtnOk");
    EXPECT_EQ(files.files[listPath].bytes, "1A\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].text, QStringLiteral("ﾌｧｲﾙ /app/Filelst.txt を作成できません."));
    EXPECT_EQ(dialog->result(), 1);
}

TEST_F(EditorDialogTest, OkTellsWhenMoreThanAHundredEntriesAreTicked) {
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "1" + std::string(20, ' ') + "/f\r\n";
    files.put(listPath, hundred + "0" + std::string(20, ' ') + "/g\r\n");
    click(*open(), "BtnOk");
    EXPECT_TRUE(messages.empty());

    auto dialog = open();
    list(*dialog)->item(100)->setCheckState(Qt::Checked);
    click(*dialog, "BtnOk");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("101")));
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(files.files[listPath].bytes.size(), 101u * 25u);
}

TEST_F(EditorDialogTest, BrowseStartsFromTheFileChosenLastAndFillsOnlyTheFileBox) {
    auto dialog = open();
    nameBox(*dialog)->setText(QStringLiteral("name"));
    picked = QStringLiteral("/home/u/a.txt");
    click(*dialog, "BtnFile");
    EXPECT_EQ(fileBox(*dialog)->text(), QStringLiteral("/home/u/a.txt"));
    EXPECT_EQ(nameBox(*dialog)->text(), QStringLiteral("name"));

    picked.reset();
    fileBox(*dialog)->setText(QStringLiteral("typed"));
    click(*dialog, "BtnFile");
    EXPECT_EQ(fileBox(*dialog)->text(), QStringLiteral("typed"));

    picked = QStringLiteral("/home/u/b.txt");
    click(*dialog, "BtnFile");
    EXPECT_EQ(pickStarts, (std::vector<QString>{QString(), QStringLiteral("/home/u/a.txt"),
                                                QStringLiteral("/home/u/a.txt")}));
    EXPECT_EQ(fileBox(*dialog)->text(), QStringLiteral("/home/u/b.txt"));
}

// The editor's list and the main window's list take a drop by the same rules; the main window
// writes "Filelst.txt" at once and shows the new rows.
TEST_F(EditorDialogTest, DroppedFilesBecomeTickedEntriesNamedAfterTheFileButNotFolders) {
    const testing::TempFolder dir;
    const std::string longName = dir.write("長い名前のテキストファイル.txt", "x");
    const std::string plain = dir.write("a.txt", "x");
    const std::string korean = dir.write("한국어.txt", "x");
    std::filesystem::create_directory(dir / "sub");
    const auto url = [](const std::string& path) { return QUrl::fromLocalFile(fromUtf8(path)); };
    auto dialog = open();
    UiHooks hooks;
    hooks.showMessage = [this](QMessageBox::Icon icon, const QString& text) {
        messages.push_back({icon, text});
    };
    hooks.makeLookups = [this](std::function<void()>) {
        return std::make_unique<LookupsAtOnce>(files);
    };
    // Its lookups run at once: no thread keeps the file system, which the test owns.
    MainWindow window(platform, {std::shared_ptr<void>(), &files}, "/app/", hooks);
    window.show();
    auto* const rows = window.findChild<RecordListView*>(QStringLiteral("ListLog"));
    const auto drop = [&](QWidget* target, const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls{QUrl(QStringLiteral("https://example.org/b"))};
        for (const std::string& path : paths) urls << url(path);
        data.setUrls(urls);
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(enter.isAccepted(), !paths.empty()) << "web addresses alone are not taken";
        if (paths.empty()) return;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QApplication::processEvents();
    };
    const struct {
        const char* what;
        QWidget* target;
        std::function<std::string()> listed;
    } targets[] = {{"editor", dialog.get(), [&] { return listed(*dialog); }},
                   {"main window", rows->viewport(), [&] { return files.files[listPath].bytes; }}};
    for (const auto& on : targets) {
        SCOPED_TRACE(on.what);
        messages.clear();
        drop(on.target, {longName, dir / "sub", korean, plain});
        // The name is cut to 20 bytes as typing it would be; the path is whole.
        EXPECT_EQ(on.listed(), "1" + sjis("長い名前のテキストフ") + sjis(longName) + "\r\n" +
                                   "1a.txt" + std::string(15, ' ') + plain + "\r\n");
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].text,
                  fromUtf8(dir / "sub") + QStringLiteral(" はフォルダのため、追加できません。"));
        EXPECT_TRUE(
            messages[1].text.startsWith(QStringLiteral("ファイル名に Shift-JIS で表せない")));
        drop(on.target, {});
    }
    EXPECT_EQ(rows->rowCount(), 2);

    // The main window adds no file twice, but ticks one again; the editor's OK keeps the list.
    const std::string plainLine = "a.txt" + std::string(15, ' ') + plain + "\r\n";
    files.put(listPath, "0" + plainLine);
    drop(rows->viewport(), {plain, plain});
    EXPECT_EQ(files.files[listPath].bytes, "1" + plainLine);
    click(*open(), "BtnOk");
    EXPECT_EQ(files.files[listPath].bytes, "1" + plainLine);
}

TEST(EditorOnDisk, OkReplacesTheFileWithTheListAndKeepsUntouchedBytes) {
    const testing::TempFolder dir;
    const std::string kept = "0" + std::string(20, ' ') + std::string(260, 'q') + "\xFF";
    dir.write("Filelst.txt", kept + "\n1gone\n");
    Platform platform = testing::realPlatform().platform();
    UiHooks hooks;
    hooks.showMessage = [](QMessageBox::Icon, const QString& text) {
        ADD_FAILURE() << text.toStdString();
    };
    WatchListDialog dialog(platform, dir.path(), hooks);
    dialog.show();
    list(dialog)->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    click(dialog, "BtnDel");
    add(dialog, QStringLiteral("日記"), QStringLiteral("/home/u/日記.txt"));
    click(dialog, "BtnOk");
    EXPECT_EQ(dir.read("Filelst.txt"), kept + "\r\n1\x93\xFA\x8B\x4C" + std::string(16, ' ') +
                                           "/home/u/\x93\xFA\x8B\x4C.txt\r\n");
    EXPECT_EQ(dialog.result(), 1);
}

}  // namespace
}  // namespace morvane
