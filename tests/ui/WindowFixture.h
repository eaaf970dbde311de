#pragma once

// A main window on fake files and a fake clock, its errors and modal dialogs recorded.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakePlatform.h"
#include "MainWindow.h"
#include "RecordList.h"
#include "SystemPlatform.h"
#include "WatchLine.h"

namespace morvane::testing {

// A "Filelst.txt" line with its CR LF.
inline std::string entry(const std::string& name, const std::string& path, bool watched = true) {
    return makeWatchLine(name, path, watched) + "\r\n";
}

class WindowTest : public ::testing::Test {
protected:
    static constexpr const char* AppDir = "/app/";
    static constexpr const char* ListPath = "/app/Filelst.txt";
    static constexpr const char* IniPath = "/app/Morvane.ini";

    SystemPlatform system;
    // Shared with the window's threads, which may outlive the window.
    std::shared_ptr<FakeFileSystem> sharedFiles = std::make_shared<FakeFileSystem>();
    FakeFileSystem& files = *sharedFiles;
    FakeClock clock;
    Platform platform{files, clock, system.codec(), system.collator()};
    std::vector<std::string> errors;
    // What was handed to the desktop's opener, and whether handing it over works.
    std::vector<std::string> opened;  // the URLs, as text
    bool openerStarts = true;
    // What a modal dialog does when run; the result it ends with.
    std::function<int(QDialog&)> onModal = [](QDialog&) { return 2; };
    std::unique_ptr<MainWindow> form;
    bool lookUpsOnThreads = false;
    bool loadsOnThreads = false;  // content loads on threads of their own, as the program runs them
    // Content loads done at once, on a thread of their own: what they tell waits for the next
    // turn of the event loop.
    bool loadsToldLater = false;
    int loadsStarted = 0;

    // Creates the window, with its settings applied, without showing it.
    MainWindow& create() {
        UiHooks hooks;
        hooks.reportError = [this](const std::string& m) { errors.push_back(m); };
        hooks.runModal = [this](QDialog& d) { return onModal(d); };
        // The fake files answer at once, so each check ends before the command that started it,
        // unless the test asks for the program's own threads.
        if (!lookUpsOnThreads)
            hooks.makeLookups = [this](std::function<void()>) {
                return std::make_unique<LookupsAtOnce>(files);
            };
        hooks.startWork = [this](std::function<void()> work) {
            ++loadsStarted;
            if (loadsOnThreads)
                std::thread(std::move(work)).detach();
            else if (loadsToldLater)
                std::thread(std::move(work)).join();
            else
                work();
            return true;
        };
        hooks.openUrl = [this](const QUrl& url) {
            opened.push_back(url.toString().toStdString());
            return openerStarts;
        };
        form = std::make_unique<MainWindow>(platform, sharedFiles, AppDir, hooks);
        return *form;
    }

    // Creates and shows the window (its first check included), and lets it lay itself out.
    MainWindow& open() {
        create();
        form->show();
        settle();
        return *form;
    }

    static void settle() {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }

    // The window's controls, found by the names the window design gives them.
    template <class T = QWidget>
    T* child(const char* name) const {
        T* found = form->findChild<T*>(QLatin1String(name));
        if (!found) ADD_FAILURE() << "no " << name;
        return found;
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    RecordListView* list() const { return child<RecordListView>("ListLog"); }
    SectionHeader* header() const { return child<SectionHeader>("HeaderLog"); }
    QTimer* timer() const { return child<QTimer>("Timer1"); }
    QLabel* statusPanel(int panel) const {
        return child<QLabel>(
            QStringLiteral("StatusBar1.Panel%1").arg(panel).toLatin1().constData());
    }
    QString statusText(int panel) const { return statusPanel(panel)->text(); }
    std::array<int, 5> sectionWidths() const {
        std::array<int, 5> widths{};
        for (int i = 0; i < 5; ++i) widths[std::size_t(i)] = header()->sectionSize(i);
        return widths;
    }

    // Three files: one modified on an earlier day, one today, one missing.
    void watchThreeFiles() {
        files.put("/w/old.txt", std::string(1234567, 'x'), {2024, 3, 1, 12, 0, 0});
        files.put("/w/today.txt", "ab", {2024, 3, 2, 8, 0, 0});
        files.put(ListPath, entry("old", "/w/old.txt") + entry("today", "/w/today.txt") +
                                entry("gone", "/w/gone.txt"));
    }

    std::string ini() { return files.files[IniPath].bytes; }
    bool iniHas(const std::string& line) { return ini().find(line + "\r\n") != std::string::npos; }

    // The rows' texts, and the records they show, in display order.
    std::vector<std::string> rowTexts() const {
        std::vector<std::string> texts;
        const QAbstractItemModel* m = list()->model();
        for (int i = 0; i < m->rowCount(); ++i)
            texts.push_back(m->index(i, 0).data().toString().toStdString());
        return texts;
    }
    Records records() const {
        Records shown;
        const QAbstractItemModel* m = list()->model();
        for (int i = 0; i < m->rowCount(); ++i)
            shown.push_back(
                m->index(i, 0).data(RecordTableModel::RecordRole).toByteArray().toStdString());
        return shown;
    }

    // The state codes of the records in display order.
    std::string states() const {
        std::string s;
        for (const std::string& r : records()) s += r.size() > 20 ? r[20] : '?';
        return s;
    }
};

}  // namespace morvane::testing
