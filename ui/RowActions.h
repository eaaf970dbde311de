#pragma once

// The table's context menu: a right click on a row, or the menu key (Shift+F10) on the selected
// row, offers to open the row's file or its folder with the desktop's opener, or to copy the
// file's full path.

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "Platform.h"
#include "UiHooks.h"

class QAction;
class QMenu;
class QPoint;

namespace morvane {

class RecordListView;

class RowActions : public QObject {
    Q_OBJECT
public:
    // Gives the full Shift-JIS path of the file of a row, from its watch list line.
    using PathOf = std::function<std::string(int row)>;

    // Watches the list. Of the hooks, openUrl (QDesktopServices when empty) and reportError,
    // which must be set, are used.
    RowActions(RecordListView* list, const TextCodec& codec, UiHooks hooks, PathOf pathOf);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Pops the menu up at the place for the row's file; a row past the end shows nothing.
    void showMenu(int row, const QPoint& globalPlace);
    void showMenuForSelectedRow();
    void openFile();
    void openFolder();
    void copyPath();
    void open(const QString& nativePath);

    RecordListView* list_;
    const TextCodec& codec_;
    UiHooks hooks_;
    PathOf pathOf_;
    QMenu* menu_;          // PopupRow
    QAction* openItem_;    // PopupOpen
    QAction* folderItem_;  // PopupOpenFolder
    QAction* copyItem_;    // PopupCopyPath
    // The native paths of the file and the folder of the row the menu was last shown for.
    QString file_;
    QString folder_;
};

}  // namespace morvane
