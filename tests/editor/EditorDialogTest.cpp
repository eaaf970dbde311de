#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "FakePlatform.h"
#include "SystemPlatform.h"
#include "Unit2.h"

namespace morvane {
namespace {

using testing::FakeClock;
using testing::FakeFile;
using testing::FakeFileSystem;

struct Message {
    QMessageBox::Icon icon;
    QString text;
};

class EditorDialogTest : public ::testing::Test {
protected:
    SystemPlatform system;
    FakeFileSystem files;
    FakeClock clock;
    Platform platform{files, clock, system.codec(), system.collator()};
    const std::string appDir = "/app/";
    const std::string listPath = "/app/Filelst.txt";
    std::vector<Message> messages;
    std::vector<QString> pickStarts;
    std::optional<QString> picked;

    std::unique_ptr<TDlgFileSet> open() {
        auto dialog = std::make_unique<TDlgFileSet>(platform, appDir);
        dialog->showMessage = [this](QMessageBox::Icon icon, const QString& text) {
            messages.push_back({icon, text});
        };
        dialog->pickFile = [this](const QString& start) {
            pickStarts.push_back(start);
            return picked;
        };
        dialog->show();
        return dialog;
    }

    // Shift-JIS bytes of UTF-8 text, for readable constants.
    std::string sjis(const std::string& utf8) {
        std::string out;
        EXPECT_TRUE(system.codec().fromUtf8(utf8, out)) << utf8;
        return out;
    }

    static std::vector<std::string> texts(const TDlgFileSet& dialog) {
        std::vector<std::string> out;
        for (const EditorEntry& e : dialog.entries()) out.push_back(e.text);
        return out;
    }
    static std::vector<bool> ticks(const TDlgFileSet& dialog) {
        std::vector<bool> out;
        for (const EditorEntry& e : dialog.entries()) out.push_back(e.ticked);
        return out;
    }
    static int selected(const TDlgFileSet& dialog) {
        const auto items = dialog.ListFile->selectedItems();
        return items.isEmpty() ? -1 : dialog.ListFile->row(items.first());
    }
    static void select(TDlgFileSet& dialog, int row) {
        dialog.ListFile->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    static void add(TDlgFileSet& dialog, const QString& name, const QString& path) {
        dialog.EditName->setText(name);
        dialog.EditFile->setText(path);
        dialog.BtnAdd->click();
    }
};

TEST_F(EditorDialogTest, OpensWithTheFocusOnTheNameBoxAndTheInputMethodOnlyThere) {
    auto dialog = open();
    dialog->activateWindow();
    EXPECT_EQ(dialog->focusWidget(), dialog->EditName);
    EXPECT_TRUE(dialog->EditName->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(dialog->EditFile->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(dialog->EditFile->inputMethodHints() & Qt::ImhLatinOnly);
}

TEST_F(EditorDialogTest, TheListIsFixedPitchWithRowsSixteenPixelsHigh) {
    files.put(listPath, "1" + std::string(20, ' ') + "/a\r\n");
    auto dialog = open();
    const QFontMetrics metrics(dialog->ListFile->font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
              metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_EQ(dialog->ListFile->visualItemRect(dialog->ListFile->item(0)).height(), 16);
}

TEST_F(EditorDialogTest, EscapeAndEnterDoNotEndTheDialog) {
    auto dialog = open();
    QTest::keyClick(dialog->EditName, Qt::Key_Escape);
    QTest::keyClick(dialog->EditName, Qt::Key_Return);
    QTest::keyClick(dialog->EditFile, Qt::Key_Enter);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(files.writes, 0);
}

TEST_F(EditorDialogTest, RunsModallyAndTellsHowItEnded) {
    {
        auto dialog = std::make_unique<TDlgFileSet>(platform, appDir);
        QTimer::singleShot(0, dialog.get(), [&] { dialog->BtnOk->click(); });
        EXPECT_EQ(dialog->exec(), 1);
    }
    {
        auto dialog = std::make_unique<TDlgFileSet>(platform, appDir);
        QTimer::singleShot(0, dialog.get(), [&] { dialog->BtnCancel->click(); });
        EXPECT_EQ(dialog->exec(), 2);
    }
    {
        auto dialog = std::make_unique<TDlgFileSet>(platform, appDir);
        QTimer::singleShot(0, dialog.get(), [&] { dialog->close(); });
        EXPECT_EQ(dialog->exec(), 2);
    }
}

TEST_F(EditorDialogTest, LoadsEveryLineWithItsTick) {
    const std::string name = sjis("名前") + std::string(16, ' ');
    files.put(listPath,
              "1" + name + "C:\\a.txt\r\n0" + name + "/b\nx" + name + "/c\r\n\r\n1" + name + "/d");
    auto dialog = open();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{name + "C:\\a.txt", name + "/b",
                                                        name + "/c", "", name + "/d"}));
    EXPECT_EQ(ticks(*dialog), (std::vector<bool>{true, false, false, false, true}));
    EXPECT_EQ(dialog->ListFile->item(0)->text(), QStringLiteral("名前                C:\\a.txt"));
    EXPECT_EQ(selected(*dialog), -1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorDialogTest, AddCutsOrPadsTheNameToTwentyBytes) {
    const struct {
        const char* what;
        QString name;
        std::string field;  // UTF-8 of the expected name field, or raw Shift-JIS when raw
        bool raw;
    } cases[] = {
        {"25 single-byte characters keep 20", QStringLiteral("abcdefghijklmnopqrstuvwxy"),
         "abcdefghijklmnopqrst", false},
        {"3 characters get 17 blanks", QStringLiteral("abc"), "abc" + std::string(17, ' '), false},
        {"an empty name is 20 blanks", QString(), std::string(20, ' '), false},
        {"ten double-byte characters fill it exactly", QStringLiteral("あいうえおかきくけこ"),
         "あいうえおかきくけこ", false},
        {"21 bytes keep the tenth character's first byte", QStringLiteral("aあいうえおかきくけこ"),
         "a\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82", true},
    };
    for (const auto& c : cases) {
        auto dialog = open();
        add(*dialog, c.name, QStringLiteral("/tmp/f.txt"));
        const std::string field = c.raw ? c.field : sjis(c.field);
        ASSERT_EQ(field.size(), 20u) << c.what;
        EXPECT_EQ(texts(*dialog), std::vector<std::string>{field + "/tmp/f.txt"}) << c.what;
    }
}

TEST_F(EditorDialogTest, AHalfCharacterAtTheNameEndKeepsThePathInItsColumn) {
    auto dialog = open();
    add(*dialog, QStringLiteral("aあいうえおかきくけこ"), QStringLiteral("/p"));
    EXPECT_EQ(dialog->ListFile->item(0)->text(), QStringLiteral("aあいうえおかきくけ /p"));
}

TEST_F(EditorDialogTest, AddKeepsThePathAsTypedAndTrimsOnlyToDecide) {
    auto dialog = open();
    add(*dialog, QStringLiteral("n"), QStringLiteral(" /lead and trail.txt  "));
    EXPECT_EQ(texts(*dialog),
              std::vector<std::string>{"n" + std::string(19, ' ') + " /lead and trail.txt  "});
    EXPECT_TRUE(dialog->EditName->text().isEmpty());
    EXPECT_TRUE(dialog->EditFile->text().isEmpty());

    add(*dialog, QStringLiteral("kept"), QStringLiteral(" \t  "));
    EXPECT_EQ(dialog->ListFile->count(), 1);
    EXPECT_EQ(dialog->EditName->text(), QStringLiteral("kept"));
    EXPECT_EQ(dialog->EditFile->text(), QStringLiteral(" \t  "));
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorDialogTest, AddAppendsTickedAndLeavesTheSelectionAlone) {
    files.put(listPath, "0first\r\n0second\r\n");
    auto dialog = open();
    select(*dialog, 0);
    add(*dialog, QStringLiteral("x"), QStringLiteral("/same"));
    add(*dialog, QStringLiteral("x"), QStringLiteral("/same"));
    EXPECT_EQ(ticks(*dialog), (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(texts(*dialog)[2], texts(*dialog)[3]);
    EXPECT_EQ(selected(*dialog), 0);
}

TEST_F(EditorDialogTest, AddRefusesTextShiftJisCannotHold) {
    auto dialog = open();
    const struct {
        QString name;
        QString path;
    } refused[] = {
        {QStringLiteral("ok"), QStringLiteral("/home/u/한국어.txt")},
        {QStringLiteral("ok"), QStringLiteral("/home/u/emoji😀.txt")},
        {QStringLiteral("한국"), QStringLiteral("/home/u/a.txt")},
    };
    for (const auto& r : refused) {
        messages.clear();
        add(*dialog, r.name, r.path);
        EXPECT_EQ(dialog->ListFile->count(), 0) << r.path.toStdString();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(dialog->EditName->text(), r.name);
        EXPECT_EQ(dialog->EditFile->text(), r.path);
    }
    add(*dialog, QStringLiteral("日本"), QStringLiteral("/home/u/日本語～.txt"));
    EXPECT_EQ(dialog->ListFile->count(), 1);
}

TEST_F(EditorDialogTest, MovesCarryTicksAndTheSelection) {
    files.put(listPath, "1A\r\n0B\r\n1C\r\n");
    auto dialog = open();
    select(*dialog, 2);
    dialog->BtnUpClick();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(ticks(*dialog), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(selected(*dialog), 1);

    dialog->BtnDownClick();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(ticks(*dialog), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(selected(*dialog), 2);

    select(*dialog, 0);
    dialog->BtnDownClick();
    dialog->BtnUpClick();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(ticks(*dialog), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(selected(*dialog), 0);
}

TEST_F(EditorDialogTest, MovesAtTheEdgesOrWithoutASelectionDoNothing) {
    files.put(listPath, "1A\r\n0B\r\n");
    auto dialog = open();
    dialog->BtnUpClick();
    dialog->BtnDownClick();
    select(*dialog, 0);
    dialog->BtnUpClick();
    select(*dialog, 1);
    dialog->BtnDownClick();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ticks(*dialog), (std::vector<bool>{true, false}));
    EXPECT_EQ(selected(*dialog), 1);
}

TEST_F(EditorDialogTest, DeleteRemovesTheSelectedItemAndLeavesNoSelection) {
    files.put(listPath, "1A\r\n0B\r\n1C\r\n");
    auto dialog = open();
    select(*dialog, 1);
    dialog->BtnDel->click();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(selected(*dialog), -1);
    dialog->BtnDel->click();
    EXPECT_EQ(texts(*dialog), (std::vector<std::string>{"A", "C"}));
}

TEST_F(EditorDialogTest, OkWritesEveryItemWithItsTickAndCrLf) {
    files.put(listPath, "1A\nxB\r\n\r0C");
    auto dialog = open();
    dialog->ListFile->item(2)->setCheckState(Qt::Checked);
    add(*dialog, QStringLiteral("n"), QStringLiteral("/p"));
    dialog->BtnOk->click();
    EXPECT_EQ(files.files[listPath].bytes,
              "1A\r\n0B\r\n1\r\n0C\r\n1n" + std::string(19, ' ') + "/p\r\n");
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(EditorDialogTest, OkOnAnEmptyListWritesAnEmptyFile) {
    auto dialog = open();
    dialog->BtnOk->click();
    ASSERT_EQ(files.files.count(listPath), 1u);
    EXPECT_EQ(files.files[listPath].bytes, "");
}

TEST_F(EditorDialogTest, UntouchedLongAndInvalidLinesAreWrittenBackByteForByte) {
    const std::string longLine = "1" + std::string(20, 'n') + "/" + std::string(300, 'p');
    const std::string invalid = "0name\xFF\x80\x81 half\x82";
    files.put(listPath, longLine + "\r\n" + invalid + "\r\n");
    auto dialog = open();
    add(*dialog, QStringLiteral("n"), QStringLiteral("/p"));
    select(*dialog, 2);
    dialog->BtnUpClick();
    dialog->BtnUpClick();
    dialog->BtnOkClick();
    EXPECT_EQ(files.files[listPath].bytes,
              "1n" + std::string(19, ' ') + "/p\r\n" + longLine + "\r\n" + invalid + "\r\n");
}

TEST_F(EditorDialogTest, CancelAndTheCloseBoxWriteNothing) {
    files.put(listPath, "1A\r\n");
    {
        auto dialog = open();
        add(*dialog, QStringLiteral("n"), QStringLiteral("/p"));
        dialog->BtnCancel->click();
        EXPECT_EQ(dialog->result(), 2);
    }
    {
        auto dialog = open();
        dialog->BtnDelClick();
        dialog->close();
        EXPECT_EQ(dialog->result(), 2);
    }
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(files.files[listPath].bytes, "1A\r\n");
}

TEST_F(EditorDialogTest, AnUnreadableFileIsReportedAndNeverOverwritten) {
    files.put(listPath, "1precious\r\n").kind = FakeFile::Unreadable;
    auto dialog = open();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].text, QStringLiteral("ﾌｧｲﾙ /app/Filelst.txt は開けません."));
    EXPECT_EQ(dialog->ListFile->count(), 0);

    add(*dialog, QStringLiteral("n"), QStringLiteral("/p"));
    dialog->BtnOk->click();
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(files.files[listPath].bytes, "1precious\r\n");
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[1].text.contains(QStringLiteral("/app/Filelst.txt")));

    dialog->BtnCancel->click();
    EXPECT_EQ(dialog->result(), 2);
}

TEST_F(EditorDialogTest, AFailedWriteIsReportedAndTheDialogStillEndsWithOk) {
    files.put(listPath, "1A\r\n");
    files.failWrites = true;
    auto dialog = open();
    dialog->BtnDelClick();
    select(*dialog, 0);
    dialog->BtnDelClick();
    dialog->BtnOk->click();
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
    {
        auto dialog = open();
        dialog->BtnOk->click();
        EXPECT_TRUE(messages.empty());
    }
    {
        auto dialog = open();
        dialog->ListFile->item(100)->setCheckState(Qt::Checked);
        dialog->BtnOk->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, QMessageBox::Information);
        EXPECT_TRUE(messages[0].text.contains(QStringLiteral("101")));
        EXPECT_EQ(dialog->result(), 1);
    }
    EXPECT_EQ(files.writes, 2);
    EXPECT_EQ(files.files[listPath].bytes.size(), 101u * 25u);
}

TEST_F(EditorDialogTest, BrowseStartsFromTheFileChosenLastAndFillsOnlyTheFileBox) {
    auto dialog = open();
    dialog->EditName->setText(QStringLiteral("name"));
    picked = QStringLiteral("/home/u/a.txt");
    dialog->BtnFile->click();
    EXPECT_EQ(dialog->EditFile->text(), QStringLiteral("/home/u/a.txt"));
    EXPECT_EQ(dialog->EditName->text(), QStringLiteral("name"));

    picked.reset();
    dialog->EditFile->setText(QStringLiteral("typed"));
    dialog->BtnFile->click();
    EXPECT_EQ(dialog->EditFile->text(), QStringLiteral("typed"));

    picked = QStringLiteral("/home/u/b.txt");
    dialog->BtnFile->click();
    EXPECT_EQ(pickStarts, (std::vector<QString>{QString(), QStringLiteral("/home/u/a.txt"),
                                                QStringLiteral("/home/u/a.txt")}));
    EXPECT_EQ(dialog->EditFile->text(), QStringLiteral("/home/u/b.txt"));
}

// The real file system under a temporary AppDir.
class EditorOnDiskTest : public ::testing::Test {
protected:
    SystemPlatform system;
    Platform platform = system.platform();
    std::filesystem::path dir;

    void SetUp() override {
        char pattern[] = "/tmp/morvane-editor-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string read() {
        std::ifstream in(dir / "Filelst.txt", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
};

TEST_F(EditorOnDiskTest, OkReplacesTheFileWithTheListAndKeepsUntouchedBytes) {
    const std::string kept = "0" + std::string(20, ' ') + std::string(260, 'q') + "\xFF";
    std::ofstream(dir / "Filelst.txt", std::ios::binary) << kept << "\n1gone\n";
    TDlgFileSet dialog(platform, dir.string() + "/");
    dialog.showMessage = [](QMessageBox::Icon, const QString& text) {
        ADD_FAILURE() << text.toStdString();
    };
    dialog.show();
    dialog.ListFile->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    dialog.BtnDelClick();
    dialog.EditName->setText(QStringLiteral("日記"));
    dialog.EditFile->setText(QStringLiteral("/home/u/日記.txt"));
    dialog.BtnAddClick();
    dialog.BtnOkClick();
    EXPECT_EQ(read(), kept + "\r\n1\x93\xFA\x8B\x4C" + std::string(16, ' ') +
                          "/home/u/\x93\xFA\x8B\x4C.txt\r\n");
    EXPECT_EQ(dialog.result(), 1);
}

}  // namespace
}  // namespace morvane
