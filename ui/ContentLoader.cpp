#include "ContentLoader.h"

#include <system_error>
#include <thread>

#include "Mailbox.h"

namespace morvane {

namespace {

// Runs the work on a thread of its own, which nobody waits for.
bool startDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace

ContentLoader::ContentLoader(const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                             StartWork startWork, QObject* parent)
    : QObject(parent),
      codec_(codec),
      files_(std::move(files)),
      startWork_(startWork ? std::move(startWork) : startDetachedThread),
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

void ContentLoader::load(const std::string& sjisPath, bool readAfterNow) {
    std::string nativePath;
    if (!codec_.toUtf8(sjisPath, nativePath)) {
        wanted_.reset();
        notice_.stop();
        emit missing();  // the path names no file
        return;
    }
    // The file shown, changed since: only what is new in it is read. A follow that finds it
    // gone or unreadable keeps the text shown.
    if (readAfterNow && !wanted_ && shown_ && shownPath_ == nativePath) {
        shown_->refresh([](ContentLoad::Status) {});
        return;
    }
    wanted_ = Wanted{nativePath, sjisPath};
    notice_.start();
    if (reading_.count(nativePath) == 0) {
        startRead(nativePath);
    } else if (readAfterNow) {
        readAgain_.insert(nativePath);
    }
}

void ContentLoader::startRead(const std::string& nativePath) {
    reading_.insert(nativePath);
    LogReader::open(
        files_, nativePath, startWork_,
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
    reading_.erase(nativePath);
    const bool again = readAgain_.erase(nativePath) != 0;
    // A later choice took its place.
    if (!wanted_ || wanted_->nativePath != nativePath || again) {
        if (reader) reader->close();
        if (again && wanted_ && wanted_->nativePath == nativePath) startRead(nativePath);
        return;
    }
    const std::string sjisPath = std::move(wanted_->sjisPath);
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
            emit failed(sjisPath);
            return;
    }
}

}  // namespace morvane
