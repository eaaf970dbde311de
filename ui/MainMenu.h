#pragma once

// The main window's menu bar: its menus and items, named as the window design names them. The
// items only show state that others own; choosing one tells the window through a signal.

#include <QObject>

#include "Ordering.h"
#include "Settings.h"

class QAction;
class QActionGroup;
class QMenuBar;

namespace morvane {

class MainMenu : public QObject {
    Q_OBJECT
public:
    // Builds every menu on the bar, with the items' first checks: the watch list's order,
    // ascending, 60 seconds.
    explicit MainMenu(QMenuBar* bar);

    void showSort(SortState sort);
    void showInterval(CheckInterval item);
    void showContentView(bool open);
    void showStayOnTop(bool on);
    void showNotify(bool on);

signals:
    void exitChosen();
    void contentViewChosen();
    void stayOnTopChosen();
    void refreshChosen();
    void sortKeyChosen(SortKey key);
    void sortOrderChosen(SortOrder order);
    void intervalChosen(CheckInterval item);
    void editWatchListChosen();
    void notifyChosen();
    void versionChosen();

private:
    QAction* contentViewItem_;  // MenuFileView
    QAction* stayOnTopItem_;    // MenuTop
    QAction* notifyItem_;       // MenuNotify
    QActionGroup* sortKeyGroup_;
    QActionGroup* sortOrderGroup_;
    QActionGroup* intervalGroup_;
};

}  // namespace morvane
