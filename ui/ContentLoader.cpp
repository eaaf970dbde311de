#include "ContentLoader.h"

#include <new>
#include <system_error>
#include <thread>

#include "Mailbox.h"
#include "QtText.h"

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

void ContentLoader::tell(const Read& read) {
    const std::string sjisPath = std::move(wanted_->sjisPath);
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
            emit failed(sjisPath);
            return;
    }
}

}  // namespace morvane
