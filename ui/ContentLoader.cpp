#include "ContentLoader.h"

#include "Mailbox.h"

namespace morvane {

ContentLoader::ContentLoader(std::shared_ptr<const FileSystem> files, StartThread startThread,
                             QObject* parent)
    : QObject(parent),
      files_(std::move(files)),
      startThread_(startThread ? std::move(startThread) : startDetachedThread),
      mailbox_(std::make_shared<Mailbox>(this)) {
    notice_.setSingleShot(true);
    notice_.setInterval(LoadingNoticeDelay);
    connect(&notice_, &QTimer::timeout, this, [this] {
        if (wanted_) emit slow();
    });
}

ContentLoader::~ContentLoader() {
    mailbox_->close();
    if (shown_) shown_->close();
}

void ContentLoader::load(const std::string& nativePath, bool readAfterNow) {
    // The file shown, changed since: only what is new in it is read. A follow that finds it
    // gone or unreadable keeps the text shown.
    if (readAfterNow && !wanted_ && shown_ && shownPath_ == nativePath) {
        shown_->refresh([](ContentLoad::Status) {});
        return;
    }
    wanted_ = nativePath;
    notice_.start();
    if (opening_.begin(nativePath, readAfterNow)) startRead(nativePath);
}

void ContentLoader::startRead(const std::string& nativePath) {
    LogReader::open(
        files_, nativePath, startThread_,
        [mailbox = mailbox_](std::function<void()> delivery) {
            mailbox->post(std::move(delivery));
        },
        [this, nativePath](ContentLoad::Status status, std::shared_ptr<LogReader> reader) {
            finishRead(nativePath, status, reader);
        });
}

void ContentLoader::cancel() {
    wanted_.reset();
    notice_.stop();
}

void ContentLoader::finishRead(const std::string& nativePath, ContentLoad::Status status,
                               const std::shared_ptr<LogReader>& reader) {
    const PathJobs::Ended ended = opening_.end(nativePath);
    // A later choice took its place, or the file changed while it was being opened.
    if (!wanted_ || *wanted_ != nativePath || ended.again) {
        if (reader) reader->close();
        if (ended.again && wanted_ && *wanted_ == nativePath && opening_.begin(nativePath))
            startRead(nativePath);
        return;
    }
    wanted_.reset();
    notice_.stop();
    switch (status) {
        case ContentLoad::Loaded:
            if (shown_) shown_->close();
            shown_ = reader;
            shownPath_ = nativePath;
            emit loaded(reader);
            return;
        case ContentLoad::NoFile:
            emit missing();
            return;
        case ContentLoad::Failed:
            emit failed();
            return;
    }
}

}  // namespace morvane
