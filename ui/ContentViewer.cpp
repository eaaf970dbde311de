#include "ContentViewer.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

#include "CheckRunner.h"
#include "ContentLoader.h"
#include "ContentView.h"
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

ContentViewer::ContentViewer(QMainWindow& window, QWidget& tablePanel, ContentView& view,
                             RecordListView& list, const CheckRunner& checks,
                             const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                             const UiHooks& hooks)
    : QObject(&window),
      window_(window),
      tablePanel_(tablePanel),
      view_(view),
      list_(list),
      checks_(checks),
      codec_(codec),
      hooks_(hooks),
      loader_(new ContentLoader(codec, std::move(files), hooks.startWork, this)) {
    view_.setCodec(codec);
    connect(loader_, &ContentLoader::loaded, this, &ContentViewer::onLoaded);
    connect(loader_, &ContentLoader::missing, this, &ContentViewer::openIfAsked);
    connect(loader_, &ContentLoader::failed, this, &ContentViewer::onFailed);
    connect(loader_, &ContentLoader::slow, this, [this] {
        // A slow reload keeps the text shown.
        if (loadFollows_) return;
        view_.showText(LoadingText);
        openIfAsked();
    });
}

void ContentViewer::toggle() {
    const int row = list_.selectedRow();
    if (row < 0 || row >= list_.rowCount()) {
        showError("表示するファイルを選択されていません。");
        return;
    }
    if (open_) {
        close();
        return;
    }
    load(row, true);
}

void ContentViewer::showSelectedRow() {
    if (!open_) return;
    const int row = list_.selectedRow();
    if (row >= 0 && row < list_.rowCount()) load(row, false);
}

void ContentViewer::load(int row, bool opening) {
    const std::string& record = list_.table()->records()[std::size_t(row)];
    followed_.follow(record, checks_.watchedFiles());
    loadOpens_ = opening;
    loadFollows_ = false;
    // The record's own watch list line names the file whole; its fields may be cut short.
    loader_->load(recordPath(record, checks_.watchedFiles()));
}

void ContentViewer::followFile(const CheckOutcome& outcome) {
    if (!open_ || !followed_.changedAt(outcome.records, checks_.watchedFiles())) return;
    // A load of the file under way still shows it from its start; it reads the file again.
    if (!loader_->isLoading()) {
        loadOpens_ = false;
        loadFollows_ = true;
    }
    loader_->load(followed_.sjisPath(), true);
}

void ContentViewer::onLoaded(const std::shared_ptr<LogReader>& reader) {
    // A follow of the file shown reads what is new without a load; one that had to open the
    // file again keeps the end in view where it was.
    view_.showFile(reader, loadFollows_);
    openIfAsked();
}

void ContentViewer::onFailed(const std::string& sjisPath) {
    // The followed file's row already says it cannot be read; its last text stays.
    if (loadFollows_) return;
    showError(contentErrorMessage(codec_, sjisPath));
    if (open_) close();
}

void ContentViewer::openIfAsked() {
    if (loadOpens_ && !open_) open();
}

bool ContentViewer::fillsScreen() const {
    return window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void ContentViewer::open() {
    open_ = true;
    // The table keeps its height; the view takes what the window gains, and every later
    // change of the window's height. A maximised window cannot grow: there the table gives
    // the view its height, and the window stays maximised.
    if (fillsScreen()) {
        tablePanel_.setFixedHeight(std::max(0, tablePanel_.height() - openingHeight_));
    } else {
        tablePanel_.setFixedHeight(tablePanel_.height());
        window_.resize(window_.width(), window_.height() + openingHeight_);
    }
    view_.show();
    emit openChanged(true);
}

void ContentViewer::close() {
    loader_->cancel();  // a load still running no longer counts
    open_ = false;
    if (!fillsScreen()) window_.resize(window_.width(), window_.height() - view_.height());
    view_.hide();
    tablePanel_.setMinimumHeight(0);
    tablePanel_.setMaximumHeight(QWIDGETSIZE_MAX);
    emit openChanged(false);
}

void ContentViewer::showError(const std::string& utf8Message) {
    ScreenCentredBox box(QMessageBox::Critical, QStringLiteral("ｴﾗｰ"), fromUtf8(utf8Message),
                         QMessageBox::Ok, &window_);
    hooks_.runModal(box);
}

}  // namespace morvane
