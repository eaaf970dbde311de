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

void MainWindow::showViewError(const std::string& utf8Message) {
    ScreenCentredBox box(QMessageBox::Critical, QStringLiteral("ｴﾗｰ"), fromUtf8(utf8Message),
                         QMessageBox::Ok, this);
    hooks_.runModal(box);
}

void MainWindow::toggleContentView() {
    guarded([this] {
        const int row = list_->selectedRow();
        if (row < 0 || std::size_t(row) >= records_.size()) {
            showViewError("表示するファイルを選択されていません。");
            return;
        }
        if (contentViewItem_->isChecked()) {
            closeView();
            return;
        }
        if (!loadViewText(row)) return;
        openView();
    });
}

void MainWindow::onRowSelected() {
    if (!contentViewItem_->isChecked()) return;
    const int row = list_->selectedRow();
    if (row < 0 || std::size_t(row) >= records_.size()) return;
    guarded([&] {
        if (!loadViewText(row)) closeView();
    });
}

bool MainWindow::loadViewText(int row) {
    // The record's own watch list line names the file whole; its fields may be cut short.
    const std::string path = recordPath(records_[std::size_t(row)], watchList_);
    const ContentLoad load = loadContent(platform_, path);
    switch (load.status) {
        case ContentLoad::NoFile:
            return true;
        case ContentLoad::Failed:
            showViewError(contentErrorMessage(platform_.codec, path));
            return false;
        case ContentLoad::Loaded:
            break;
    }
    viewText_->setPlainText(fromUtf8(load.utf8));
    viewText_->moveCursor(QTextCursor::Start);
    return true;
}

bool MainWindow::fillsScreen() const {
    return windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void MainWindow::openView() {
    contentViewItem_->setChecked(true);
    // The table keeps its height; the view takes what the window gains, and every later
    // change of the window's height. A maximised window cannot grow: there the table gives
    // the view its height, and the window stays maximised.
    if (fillsScreen()) {
        tablePanel_->setFixedHeight(std::max(0, tablePanel_->height() - viewHeight_));
    } else {
        tablePanel_->setFixedHeight(tablePanel_->height());
        resize(width(), height() + viewHeight_);
    }
    viewPanel_->show();
}

void MainWindow::closeView() {
    contentViewItem_->setChecked(false);
    if (!fillsScreen()) resize(width(), height() - viewPanel_->height());
    viewPanel_->hide();
    tablePanel_->setMinimumHeight(0);
    tablePanel_->setMaximumHeight(QWIDGETSIZE_MAX);
}

}  // namespace morvane
