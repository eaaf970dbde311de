#pragma once

// The main window: the table of watched files, its menus, the status bar and the check timer.
// It owns every piece of run-time state from its show step to its close.

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "ChangeNotifier.h"
#include "CheckCycle.h"
#include "ContentLoad.h"
#include "FollowedFile.h"
#include "LookupWorkers.h"
#include "Ordering.h"
#include "Platform.h"
#include "Settings.h"
#include "UiHooks.h"

class QAction;
class QActionGroup;
class QFrame;
class QSessionManager;
class QTimer;

namespace morvane {

class ContentView;
class Mailbox;
class RecordListView;
class SectionHeader;
class StatusPanel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // appDir: the folder of "Morvane.ini" and "Filelst.txt", native path with a trailing
    // separator. Builds every control and applies the stored settings; the watch list is read
    // and checked when the window is first shown. The platform must outlive the window.
    MainWindow(Platform& platform, std::string appDir, UiHooks hooks = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The end of the desktop session: writes the settings. Returns false (the session should
    // not end) only when they could not be written and mayInteract() lets the user be told.
    bool sessionEnding(const std::function<bool()>& mayInteract);

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private Q_SLOTS:
    void checkNow();
    void onTimerTick();
    void toggleStayOnTop();
    void setIntervalFromMenu(QAction* item);
    void sortFromMenu(QAction* item);
    void onHeaderClicked(int section);
    void editWatchList();
    void showVersion();
    void toggleContentView();
    void onRowSelected();
    void onCommitDataRequest(QSessionManager& manager);

private:
    void createControls();
    void createMenus();
    void connectEvents();
    void applySettings();
    // Places the window, reads the watch list and builds the records: the show step, run once.
    void prepareFirstShow();
    // Writes the settings of a close request; throws when they cannot be written.
    void saveSettings();
    ClosingState closingState() const;
    std::array<int, ColumnCount> sectionWidths() const;
    // Runs one command; an error escaping it goes to the error report. False after an error.
    bool guarded(const std::function<void()>& command);
    // Reads the watch list. No file leaves the list as it was; one that cannot be read leaves
    // it too, and throws.
    void loadWatchedFiles();
    // Starts a check, rebuilding the records from the watch list when rebuild is true. A
    // refresh while a check is in flight is skipped; a rebuild takes its place. The check
    // ends when every file has answered, or at the deadline.
    void startCheck(bool rebuild);
    void onLookupAnswers();
    // Ends the check in flight: the records of the files that answered, the times, and how
    // many files have not answered.
    void finishCheck();
    // The row's tooltip: its file's full path, its state, and since when it has not answered.
    QString rowToolTip(std::string_view record) const;
    // Checks the item and sets the timer's period; a period of 0 stops timed checks.
    void setInterval(QAction* item, int milliseconds);
    // Orders the records by the sort state and refills the list's rows, header and list
    // repainted at once.
    void reorderAndRefill();
    // Shows the sort state in the two radio groups of the sort menu and in the header.
    void showSortState();
    void setStayOnTop(bool on);
    // Maximised or full screen: the window cannot grow.
    bool fillsScreen() const;

    // The content view's open and close steps.
    void openView();
    void closeView();
    // Starts loading the file of the record in the row into the view, and follows that file.
    void startViewLoad(int row, bool opening);
    // Starts loading the file at the Shift-JIS path into the view, away from the window's
    // thread; a load started later wins over one still running. opening: the view opens once
    // the load ends without error, or once it has run LoadingNoticeDelay. following: the file
    // shown, read again; the view keeps its place and marks what is new.
    void loadIntoView(const std::string& sjisPath, bool opening, bool following);
    // A load's end: a missing file changes nothing; a failed load is reported and the view
    // closed, except a failed reload of the followed file, which changes nothing.
    void finishViewLoad(unsigned load, const ContentRead& read, const std::string& sjisPath);
    // After a check: reads the followed file again into the open view when the check found it
    // changed, or once the load that runs has ended.
    void followViewedFile();
    void showLoadingNotice();
    // A modal box captioned "ｴﾗｰ" with the error icon, the message and one OK button, centred
    // on the screen.
    void showViewError(const std::string& utf8Message);

    Platform& platform_;
    UiHooks hooks_;
    const std::string appDir_;
    const std::string iniPath_;

    // Checks and content loads hand their results back through the mailbox; it is closed
    // first when the window goes, so nothing arrives after.
    std::shared_ptr<Mailbox> mailbox_;
    WatchedFiles watched_;
    std::unique_ptr<BackgroundCheck> check_;
    // Each file whose lookup has not answered, by native path: the start of the first check
    // it missed.
    std::map<std::string, LocalDateTime> unansweredSince_;
    unsigned viewLoads_ = 0;        // content loads started; the last one counts
    bool viewLoadRunning_ = false;  // the last one has not ended
    bool viewLoadOpens_ = false;    // it opens the view
    bool viewLoadFollows_ = false;  // it reads the followed file again
    bool followAgain_ = false;      // the followed file changed while a load ran
    FollowedFile followed_;         // the file the view shows
    SortState sort_;
    int viewHeight_ = 200;
    // The window's place as read from the settings, applied at the show step.
    int storedTop_ = 1;
    int storedLeft_ = 1;
    int storedHeight_ = 300;
    int storedWidth_ = 540;
    int intervalMs_ = 60000;  // the timer's period; 0 while no timed checks run
    bool shown_ = false;      // the show step has run

    QAction* contentViewItem_;  // MenuFileView
    QAction* stayOnTopItem_;    // MenuTop
    QAction* notifyItem_;       // MenuNotify
    QActionGroup* sortKeyGroup_;
    QActionGroup* sortOrderGroup_;
    QActionGroup* intervalGroup_;
    QFrame* tablePanel_;  // Panel1
    SectionHeader* header_;
    RecordListView* list_;
    ContentView* viewPanel_;  // PanelView
    std::array<StatusPanel*, 3> statusPanels_;
    QTimer* timer_;
    QTimer* checkDeadline_;  // the check in flight ends at its timeout at the latest
    QTimer* checkNudge_;     // asks the lookups again while the check is in flight
    QTimer* loadingNotice_;  // a content load still running at its timeout says so
    ChangeNotifier notifier_;
};

}  // namespace morvane
