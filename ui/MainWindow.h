#pragma once

// The main window: the table of watched files, its menus, the status bar and the check timer.
// It wires the pieces that do the work together (the checks, the content loads, the menus, the
// notifier) and keeps the window's own state from its show step to its close.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Platform.h"
#include "Settings.h"
#include "UiHooks.h"

class QFrame;
class QSessionManager;
class QTimer;

namespace morvane {

class ChangeNotifier;
class CheckRunner;
class ContentViewer;
class ContentView;
class MainMenu;
class RecordListView;
class SectionHeader;
class SettingsKeeper;
class StatusBar;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // appDir: the folder of "Morvane.ini" and "Filelst.txt", native path with a trailing
    // separator. Builds every control and applies the stored settings; the watch list is read
    // and checked when the window is first shown. The platform must outlive the window;
    // watchedFiles is the file system the checks and content loads read watched files through,
    // shared with their threads, which may outlive the window.
    MainWindow(Platform& platform, std::shared_ptr<const FileSystem> watchedFiles,
               std::string appDir, UiHooks hooks = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The end of the desktop session: writes the settings. Returns false (the session should
    // not end) only when they could not be written and mayInteract() lets the user be told.
    bool sessionEnding(const std::function<bool()>& mayInteract);

    void setVisible(bool visible) override;

    // Adds the files to the watch list as ticked entries, each once, and writes it at once;
    // then rebuilds as after the editor's OK. Before the show step, that step's rebuild reads
    // them. What cannot be added, or written, the user is told.
    void addFiles(const QStringList& nativePaths);

signals:
    // The window is about to write its settings and close (終了, a signal, the session's end):
    // files that wait to be added must be added now.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void connectEvents();
    void applySettings();
    // Places the window, reads the watch list and builds the records: the show step, run once.
    void prepareFirstShow();
    // Writes the settings of a close request; throws when they cannot be written.
    void saveSettings();
    // A setting changed after the show step: they are written SettingsSaveDelay after the last
    // change, and only when the file would change.
    void settingsChanged();
    ClosingState closingState() const;
    // Runs one command; an error escaping it goes to the error report. False after an error.
    bool guarded(const std::function<void()>& command);
    // Reads the watch list and rebuilds the records from it. No file leaves the list as it
    // was; one that cannot be read leaves it too, and throws before the rebuild.
    void rebuildFromWatchList();
    void checkNow();
    // The row's tooltip: its file's full path, its state, and since when it has not answered.
    QString rowToolTip(int row) const;
    // Sets the timer's period; a period of 0 stops timed checks.
    void setInterval(int milliseconds);
    // Orders the records by the sort state and refills the list's rows, header and list
    // repainted at once.
    void sortBy(SortState sort);
    void toggleStayOnTop();
    void setStayOnTop(bool on);
    void toggleNotify();
    void editWatchList();
    void showVersion();
    void onCommitDataRequest(QSessionManager& manager);
    // Opens the content view under the table, or closes it.
    void placeContentView(bool open);
    // Maximised or full screen: the window cannot grow.
    bool fillsScreen() const;

    Platform& platform_;
    UiHooks hooks_;
    const std::string appDir_;
    SettingsKeeper* settings_;

    CheckInterval intervalItem_ = CheckInterval::SixtySeconds;  // the one the menu shows
    int viewOpeningHeight_ = 200;  // the height the content view takes when it opens
    int intervalMs_ = 0;           // the timer's period; 0 while no timed checks run
    bool shown_ = false;           // the show step has run
    bool closing_ = false;         // closing() is being told: no box may hold the close up

    MainMenu* menu_;
    QFrame* tablePanel_;  // Panel1
    SectionHeader* header_;
    RecordListView* list_;
    ContentView* viewPanel_;  // PanelView
    StatusBar* statusBar_;
    QTimer* timer_;  // Timer1
    CheckRunner* checks_;
    ContentViewer* viewer_;
    ChangeNotifier* notifier_;
};

}  // namespace morvane
