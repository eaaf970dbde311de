// The content view: the text of the selected row's file in a panel under the table.

#include <QFrame>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBoundaryFinder>
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

// Laying a paragraph out at the view's width, Qt looks for each line's end from the word the
// line starts in, to that word's end. In a run with nowhere to break a line (a minified file,
// base64) that is a scan to the run's end for every line: a million characters take a minute.
// A run this long is shown with lines broken anywhere, which is how such a run wraps anyway.
constexpr qsizetype LongestRunWrappedAtWords = 10000;

// How the view breaks the lines of the text: at word boundaries where it can, unless the text
// holds a run longer than LongestRunWrappedAtWords with no place to break a line.
QTextOption::WrapMode wrapModeFor(const QString& text) {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype runStart = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        if (at - runStart > LongestRunWrappedAtWords) return QTextOption::WrapAnywhere;
        runStart = at;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

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
    const QString text = fromUtf8(load.utf8);
    const QTextOption::WrapMode wrap = wrapModeFor(text);
    if (viewText_->wordWrapMode() != wrap) {
        // The text shown until now is not laid out again under the new mode.
        viewText_->clear();
        viewText_->setWordWrapMode(wrap);
    }
    viewText_->setPlainText(text);
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
