#include "ContentViewer.h"

#include <QMessageBox>

#include "ContentLoader.h"
#include "ContentView.h"
#include "ErrorReport.h"
#include "Messages.h"
#include "RecordList.h"

namespace morvane {

ContentViewer::ContentViewer(ContentView& view, RecordListView& list, const Watch& watch,
                             const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                             const UiHooks& hooks, QObject* parent)
    : QObject(parent),
      view_(view),
      list_(list),
      watch_(watch),
      codec_(codec),
      hooks_(hooks),
      loader_(new ContentLoader(std::move(files), hooks.startWork, this)) {
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
    if (row < 0 || row >= int(watch_.rows().size())) {
        showError(NoFileSelectedMessage);
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
    if (row >= 0 && row < int(watch_.rows().size())) load(row, false);
}

void ContentViewer::load(int row, bool opening) {
    const WatchRow& chosen = watch_.rows()[std::size_t(row)];
    followed_ = chosen.nativePath();
    // The row's own watch list line names the file whole; its fields may be cut short.
    followedSjisPath_ = chosen.file->sjisPath;
    loadOpens_ = opening;
    loadFollows_ = false;
    if (followed_) {
        loader_->load(*followed_);
        return;
    }
    loader_->cancel();  // the path names no file
    openIfAsked();
}

void ContentViewer::followFile(const CheckOutcome& outcome) {
    // A file that changes while the view is being opened on it is read again too: the read
    // under way may have begun before the change.
    if (!followed_ || (!open_ && !loader_->isLoading())) return;
    const auto row = std::find_if(outcome.rows.begin(), outcome.rows.end(),
                                  [&](const WatchRow& r) { return r.nativePath() == followed_; });
    if (row == outcome.rows.end()) {
        followed_.reset();
        return;
    }
    if (!row->sizeOrStampChanged) return;
    // A load of the file under way still shows it from its start; it reads the file again.
    if (!loader_->isLoading()) {
        loadOpens_ = false;
        loadFollows_ = true;
    }
    loader_->load(*followed_, true);
}

void ContentViewer::onLoaded(const std::shared_ptr<LogReader>& reader) {
    // A follow of the file shown reads what is new without a load; one that had to open the
    // file again keeps the end in view where it was.
    view_.showFile(reader, loadFollows_);
    openIfAsked();
}

void ContentViewer::onFailed() {
    // The followed file's row already says it cannot be read; its last text stays.
    if (loadFollows_) return;
    showError(contentErrorMessage(codec_, followedSjisPath_));
    if (open_) close();
}

void ContentViewer::openIfAsked() {
    if (!loadOpens_ || open_) return;
    open_ = true;
    emit openChanged(true);
}

void ContentViewer::close() {
    loader_->cancel();  // a load still running no longer counts
    open_ = false;
    emit openChanged(false);
}

void ContentViewer::showError(const std::string& utf8Message) {
    std::unique_ptr<QMessageBox> box = contentErrorBox(utf8Message, view_.window());
    hooks_.runModal(*box);
}

}  // namespace morvane
