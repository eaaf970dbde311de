#include "RowActions.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QUrl>

#include "Messages.h"
#include "QtText.h"
#include "RecordList.h"
#include "SjisPath.h"
#include "StatusRecord.h"

namespace morvane {

namespace {

// A Shift-JIS path in its native form; empty where it has none.
QString nativeText(const TextCodec& codec, std::string_view sjisPath) {
    std::string native;
    if (sjisPath.empty() || !codec.toUtf8(sjisPath, native)) return {};
    return fromUtf8(native);
}

}  // namespace

RowActions::RowActions(RecordListView* list, const TextCodec& codec, UiHooks hooks, PathOf pathOf)
    : QObject(list),
      list_(list),
      codec_(codec),
      hooks_(std::move(hooks)),
      pathOf_(std::move(pathOf)) {
    if (!hooks_.openUrl)
        hooks_.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    menu_ = new QMenu(list);
    menu_->setObjectName(QStringLiteral("PopupRow"));
    const auto item = [this](const char* name, const QString& caption,
                             void (RowActions::*command)()) {
        QAction* a = menu_->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, command);
        return a;
    };
    openItem_ = item("PopupOpen", QStringLiteral("開く(&O)"), &RowActions::openFile);
    folderItem_ =
        item("PopupOpenFolder", QStringLiteral("フォルダを開く(&F)"), &RowActions::openFolder);
    copyItem_ = item("PopupCopyPath", QStringLiteral("パスをコピー(&C)"), &RowActions::copyPath);

    // A mouse's request comes to the viewport, the keyboard's to the list.
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
}

bool RowActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        const auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() == QContextMenuEvent::Mouse && watched == list_->viewport()) {
            showMenu(list_->indexAt(request->pos()).row(), request->globalPos());
            return true;
        }
        if (request->reason() != QContextMenuEvent::Mouse && watched == list_) {
            showMenuForSelectedRow();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched == list_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            showMenuForSelectedRow();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void RowActions::showMenuForSelectedRow() {
    const int row = list_->selectedRow();
    const QRect band = list_->visualRect(list_->model()->index(row, 0));
    showMenu(row, list_->viewport()->mapToGlobal(band.bottomLeft()));
}

void RowActions::showMenu(int row, const QPoint& globalPlace) {
    const Records& records = list_->table()->records();
    if (row < 0 || row >= int(records.size())) return;
    const std::string& record = records[std::size_t(row)];
    // The row's own watch list line names the file whole; its fields may be cut short.
    const std::string path = pathOf_(row);
    file_ = nativeText(codec_, path);
    folder_ = nativeText(codec_, directoryPart(path));
    if (folder_.size() > 1 && folder_.endsWith(u'/')) folder_.chop(1);
    // Whether a missing file's folder is there is left to the opener: looking would make the
    // window wait for the folder's file system.
    openItem_->setEnabled(!file_.isEmpty() && stateOf(record) != RecordState::NotFound);
    folderItem_->setEnabled(!folder_.isEmpty());
    copyItem_->setEnabled(!file_.isEmpty());
    menu_->popup(globalPlace);
}

void RowActions::openFile() {
    open(file_);
}

void RowActions::openFolder() {
    open(folder_);
}

void RowActions::open(const QString& nativePath) {
    if (!hooks_.openUrl(QUrl::fromLocalFile(nativePath)))
        hooks_.reportError(openFailedMessage(nativePath.toStdString()));
}

void RowActions::copyPath() {
    QGuiApplication::clipboard()->setText(file_);
}

}  // namespace morvane
