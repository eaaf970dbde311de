// The content view: the text of the selected row's file in a panel under the table.

#include <QFrame>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>

#include "CheckCycle.h"
#include "ContentLoad.h"
#include "MainWindow.h"
#include "Messages.h"
#include "QtText.h"
#include "RecordList.h"

namespace morvane {

namespace {

// A message box that places itself in the middle of its screen rather than over its parent.
class ScreenCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // settles the box's size
        if (const QScreen* s = screen())
            move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
};

}  // namespace

void MainWindow::showViewErrorBox(const std::string& utf8Message) {
    ScreenCentredBox box(QMessageBox::Critical, QStringLiteral("ｴﾗｰ"), fromUtf8(utf8Message),
                         QMessageBox::Ok, this);
    runModal(box);
}

void MainWindow::toggleContentView() {
    const int row = ListLog->selectedRow();
    if (row < 0 || std::size_t(row) >= records.size()) {
        viewError("表示するファイルを選択されていません。");
        return;
    }
    if (MenuFileView->isChecked()) {
        closeView();
        return;
    }
    if (!loadViewText(row)) return;
    openView();
}

void MainWindow::onRowSelected() {
    if (!MenuFileView->isChecked()) return;
    const int row = ListLog->selectedRow();
    if (row < 0 || std::size_t(row) >= records.size()) return;
    if (!loadViewText(row)) closeView();
}

bool MainWindow::loadViewText(int row) {
    // The record's own watch list line names the file whole; its fields may be cut short.
    const std::string path = recordPath(records[std::size_t(row)], watchList);
    const ContentLoad load = loadContent(platform_, path);
    switch (load.status) {
        case ContentLoad::NoFile:
            return true;
        case ContentLoad::Failed:
            viewError(contentErrorMessage(platform_.codec, path));
            return false;
        case ContentLoad::Loaded:
            break;
    }
    MemoList->setPlainText(fromUtf8(load.utf8));
    MemoList->moveCursor(QTextCursor::Start);
    return true;
}

bool MainWindow::fillsScreen() const {
    return windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void MainWindow::openView() {
    MenuFileView->setChecked(true);
    // The table keeps its height; the view takes what the window gains, and every later
    // change of the window's height. A maximised window cannot grow: there the table gives
    // the view its height, and the window stays maximised.
    if (fillsScreen()) {
        Panel1->setFixedHeight(std::max(0, Panel1->height() - viewHeight));
    } else {
        Panel1->setFixedHeight(Panel1->height());
        resize(width(), height() + viewHeight);
    }
    PanelView->show();
}

void MainWindow::closeView() {
    MenuFileView->setChecked(false);
    if (!fillsScreen()) resize(width(), height() - PanelView->height());
    PanelView->hide();
    Panel1->setMinimumHeight(0);
    Panel1->setMaximumHeight(QWIDGETSIZE_MAX);
}

}  // namespace morvane
