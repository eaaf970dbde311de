#pragma once

// The main window: the table of watched files, its menus, the status bar and the check timer.
// It owns every piece of run-time state from its show step to its close.

#include <QMainWindow>
#include <array>
#include <functional>
#include <string>

#include "CheckCycle.h"
#include "ErrorReport.h"
#include "Ordering.h"
#include "Platform.h"
#include "Settings.h"

class QAction;
class QActionGroup;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSessionManager;
class QTimer;

namespace morvane {

class RecordListView;
class SectionHeader;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // appDir: the folder of "Morvane.ini" and "Filelst.txt", native path with a trailing
    // separator. Builds every control, then runs applySettings. The platform must outlive the
    // window.
    MainWindow(Platform& platform, std::string appDir, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows an error that ended an event; the message box of showErrorBox() unless replaced.
    ErrorReporter reportError;
    // Runs a modal dialog (the editor, the version box) and returns its result; exec() unless
    // replaced.
    std::function<int(QDialog& dialog)> runModal;
    // Shows one of the content view's two errors: the "ｴﾗｰ" box of showViewErrorBox(), run by
    // runModal, unless replaced.
    ErrorReporter viewError;

    // Run-time state.
    std::string appDir;
    std::string iniPath;
    int viewHeight = 200;
    SortState sort;
    // The window's place as read at the create step, applied at the show step.
    int storedTop = 1;
    int storedLeft = 1;
    int storedHeight = 300;
    int storedWidth = 540;
    Records records;
    WatchList watchList;
    bool rebuildMode = false;
    StateColours colours;

    // Controls, named as the window design names them.
    QMenu* MenuFile;
    QAction* MenuExit;
    QMenu* MenuView;
    QAction* MenuFileView;
    QAction* MenuTop;
    QAction* N1;
    QAction* MenuRepaint;
    QMenu* MenuSort;
    QAction* MenuSortName;
    QAction* MenuSortFile;
    QAction* MenuSortSize;
    QAction* MenuSortUpdate;
    QAction* MenuSortPath;
    QAction* MenuSortUser;
    QAction* N3;
    QAction* MenuSortAsc;
    QAction* MenuSortDec;
    QMenu* MenuSetup;
    QAction* Menu1s;
    QAction* Menu10s;
    QAction* Menu30s;
    QAction* Menu60s;
    QAction* N2;
    QAction* MenuFileSet;
    QMenu* MenuHelp;
    QAction* MenuVersion;
    QFrame* Panel1;
    SectionHeader* HeaderLog;
    RecordListView* ListLog;
    QFrame* PanelView;
    QPlainTextEdit* MemoList;
    std::array<QLabel*, 3> StatusPanels;  // the three panels of StatusBar1
    QTimer* Timer1;

    // The text of status bar panel 0, 1 or 2.
    QString statusText(int panel) const;
    // The header's section widths.
    std::array<int, ColumnCount> sectionWidths() const;
    // What a close request writes now.
    ClosingState closingState() const;
    // The end of the desktop session: writes the settings. Returns false (the session should
    // not end) only when they could not be written and mayInteract() lets the user be told.
    bool sessionEnding(const std::function<bool()>& mayInteract);

    // The window's event handlers.
    void applySettings();
    void prepareFirstShow();
    void saveSettings(bool& canClose);
    void checkNow();
    void MenuExitClick();
    void toggleStayOnTop();
    void Menu1sClick();
    void Menu10sClick();
    void Menu30sClick();
    void Menu60sClick();
    void sortFromMenu(QAction* sender);
    void editWatchList();
    void showVersion();
    void toggleContentView();
    void onRowSelected();
    void drawRow(QPainter& painter, int index, const QRect& rect, bool selected);
    void drawHeaderSection(QPainter& painter, int section, const QRect& rect, bool pressed);
    void onHeaderClicked(int section);
    void onHeaderResized(int section);

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    void connectEvents();
    // Runs one handler; an error escaping it goes to reportError. Returns false after an error.
    bool guarded(const std::function<void()>& handler);
    // Checks the timer item and sets the timer's period; a period of 0 stops timed checks.
    void setInterval(QAction* item, int milliseconds);
    // Orders the records by the sort state and refills the list's rows.
    void reorderAndRefill();
    // Shows the sort state in the two radio groups of the sort menu.
    void showSortChecks();
    void setStayOnTop(bool on);
    void onCommitDataRequest(QSessionManager& manager);
    // Maximised or full screen: the window cannot grow.
    bool fillsScreen() const;
    // The content view's open and close steps.
    void openView();
    void closeView();
    // Loads the file of the record in the row into MemoList. A missing file changes nothing;
    // a failed load is shown by viewError. Returns false after a failed load.
    bool loadViewText(int row);
    // A modal box captioned "ｴﾗｰ" with the error icon, the message and one OK button, centred
    // on the screen.
    void showViewErrorBox(const std::string& utf8Message);

    Platform& platform_;
    QActionGroup* sortKeyGroup_;
    QActionGroup* sortTypeGroup_;
    QActionGroup* intervalGroup_;
    int intervalMs_ = 60000;  // the timer's period; 0 while no timed checks run
    bool shown_ = false;      // prepareFirstShow has run
};

}  // namespace morvane
