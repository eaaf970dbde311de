#include "ContentLoader.h"

#include <new>

#include "Mailbox.h"
#include "QtText.h"

namespace morvane {

ContentLoader::ContentLoader(const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                             StartThread startThread, QObject* parent)
    : QObject(parent),
      codec_(codec),
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
}

void ContentLoader::load(const std::string& nativePath, bool readAfterNow) {
    wanted_ = nativePath;
    notice_.start();
    if (reads_.begin(nativePath, readAfterNow)) startRead(nativePath);
}

void ContentLoader::startRead(const std::string& nativePath) {
    const bool started = startThread_([files = files_, mailbox = mailbox_, this, nativePath] {
        auto read = std::make_shared<Read>();
        try {
            read->bytes = readContent(*files, nativePath);
            // A large text is decoded here rather than on the window's thread.
            if (std::optional<ContentLoad> decoded = decodeUtf8Content(read->bytes)) {
                read->text = fromUtf8(decoded->utf8);
                read->decoded = decoded->status;
                read->bytes.bytes.clear();
            }
        } catch (const std::bad_alloc&) {
            read->decoded = ContentLoad::Failed;
        }
        mailbox->post([this, nativePath, read] { finishRead(nativePath, *read); });
    });
    if (!started) finishRead(nativePath, Read{{}, ContentLoad::Failed, {}});
}

void ContentLoader::cancel() {
    wanted_.reset();
    notice_.stop();
}

void ContentLoader::finishRead(const std::string& nativePath, const Read& read) {
    const PathJobs::Ended ended = reads_.end(nativePath);
    // A later choice took its place.
    if (!wanted_ || *wanted_ != nativePath) return;
    if (ended.again) {
        reads_.begin(nativePath);
        startRead(nativePath);
        return;
    }
    tell(read);
}

void ContentLoader::tell(const Read& read) {
    wanted_.reset();
    notice_.stop();
    ContentLoad decoded;
    if (!read.decoded) {
        try {
            decoded = decodeContent(codec_, read.bytes);
        } catch (const std::bad_alloc&) {
            decoded.status = ContentLoad::Failed;
        }
    }
    switch (read.decoded.value_or(decoded.status)) {
        case ContentLoad::Loaded:
            emit loaded(read.decoded ? read.text : fromUtf8(decoded.utf8));
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
