#include "ContentLoader.h"

#include <new>

#include "Mailbox.h"
#include "QtText.h"

namespace morvane {

ContentLoader::ContentLoader(const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                             StartWork startWork, QObject* parent)
    : QObject(parent),
      codec_(codec),
      files_(std::move(files)),
      startWork_(std::move(startWork)),
      mailbox_(std::make_shared<Mailbox>(this)) {
    notice_.setSingleShot(true);
    notice_.setInterval(LoadingNoticeDelay);
    connect(&notice_, &QTimer::timeout, this, [this] {
        if (wanted_) emit slow();
    });
}

ContentLoader::~ContentLoader() {
    mailbox_->close();
}

void ContentLoader::load(const std::string& sjisPath, bool readAfterNow) {
    std::string nativePath;
    if (!codec_.toUtf8(sjisPath, nativePath)) {
        wanted_.reset();
        notice_.stop();
        emit missing();  // the path names no file
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
    const bool started = startWork_([files = files_, mailbox = mailbox_, this, nativePath] {
        auto read = std::make_shared<ContentRead>();
        try {
            *read = readContent(*files, nativePath);
        } catch (const std::bad_alloc&) {
            read->status = ContentLoad::Failed;
        }
        mailbox->post([this, nativePath, read] { finishRead(nativePath, *read); });
    });
    if (!started) finishRead(nativePath, {ContentLoad::Failed, {}});
}

void ContentLoader::cancel() {
    wanted_.reset();
    notice_.stop();
}

void ContentLoader::finishRead(const std::string& nativePath, const ContentRead& read) {
    reading_.erase(nativePath);
    const bool again = readAgain_.erase(nativePath) != 0;
    // A later choice took its place.
    if (!wanted_ || wanted_->nativePath != nativePath) return;
    if (again) {
        startRead(nativePath);
        return;
    }
    tell(read);
}

void ContentLoader::tell(const ContentRead& read) {
    const std::string sjisPath = std::move(wanted_->sjisPath);
    wanted_.reset();
    notice_.stop();
    ContentLoad decoded;
    try {
        decoded = decodeContent(codec_, read);
    } catch (const std::bad_alloc&) {
        decoded.status = ContentLoad::Failed;
    }
    switch (decoded.status) {
        case ContentLoad::Loaded:
            emit loaded(fromUtf8(decoded.utf8));
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
