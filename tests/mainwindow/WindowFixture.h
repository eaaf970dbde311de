#pragma once

// A main window on fake files and a fake clock, its errors and modal dialogs recorded.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "MainWindow.h"
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
    FakeFileSystem files;
    FakeClock clock;
    Platform platform{files, clock, system.codec(), system.collator()};
    std::vector<std::string> errors;
    // What a modal dialog does when run; the result it ends with.
    std::function<int(QDialog&)> onModal = [](QDialog&) { return 2; };
    std::unique_ptr<MainWindow> form;

    // Creates the window (applySettings) without showing it.
    MainWindow& create() {
        form = std::make_unique<MainWindow>(platform, AppDir);
        form->reportError = [this](const std::string& m) { errors.push_back(m); };
        form->runModal = [this](QDialog& d) { return onModal(d); };
        return *form;
    }

    // Creates and shows the window (prepareFirstShow), and lets it lay itself out.
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

    // Three files: one modified on an earlier day, one today, one missing.
    void watchThreeFiles() {
        files.put("/w/old.txt", std::string(1234567, 'x'), {2024, 3, 1, 12, 0, 0});
        files.put("/w/today.txt", "ab", {2024, 3, 2, 8, 0, 0});
        files.put(ListPath, entry("old", "/w/old.txt") + entry("today", "/w/today.txt") +
                                entry("gone", "/w/gone.txt"));
    }

    std::string ini() { return files.files[IniPath].bytes; }
    bool iniHas(const std::string& line) { return ini().find(line + "\r\n") != std::string::npos; }

    static std::vector<std::string> rowTexts(const MainWindow& f) {
        std::vector<std::string> texts;
        const QAbstractItemModel* m = f.ListLog->model();
        for (int i = 0; i < m->rowCount(); ++i)
            texts.push_back(m->index(i, 0).data().toString().toStdString());
        return texts;
    }

    // The state codes of the records in display order.
    static std::string states(const MainWindow& f) {
        std::string s;
        for (const std::string& r : f.records) s += r.size() > 20 ? r[20] : '?';
        return s;
    }
};

}  // namespace morvane::testing
