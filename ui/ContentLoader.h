#pragma once

// The content view's loads on the road for work by path (PathWork.h): a watched file read on a
// thread of its own, its text decoded back on the window's thread. Only the load asked for last
// is told.

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ContentLoad.h"
#include "PathWork.h"
#include "Platform.h"

namespace morvane {

class Mailbox;

// A load still running after this says so.
inline constexpr std::chrono::milliseconds LoadingNoticeDelay{1000};

class ContentLoader : public QObject {
    Q_OBJECT
public:
    // files: the file system the reads use; each read shares it, since a read may outlive the
    // loader. The codec is used on the loader's thread only. Without startThread, each read
    // runs on a detached thread of its own (startDetachedThread).
    ContentLoader(const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                  StartThread startThread, QObject* parent = nullptr);
    ~ContentLoader() override;

    // Loads the file at the native path in place of any load asked for before. A file already
    // being read is not read again: the load waits for that read, and with readAfterNow (the
    // file has changed since that read began) reads it again after it. May tell its end before
    // it returns.
    void load(const std::string& nativePath, bool readAfterNow = false);
    // Forgets the load asked for: nothing more is told of it.
    void cancel();
    bool isLoading() const { return wanted_.has_value(); }

signals:
    void loaded(const QString& text);
    // No file is at the path (or a folder is).
    void missing();
    // The file is there but could not be read or shown.
    void failed();
    // The load has run for LoadingNoticeDelay and goes on.
    void slow();

private:
    void startRead(const std::string& nativePath);
    // What a read gave: its text already decoded on the read's thread where that needs no
    // codec, else the bytes for the codec on this thread.
    struct Read {
        ContentRead bytes;
        std::optional<ContentLoad::Status> decoded;
        QString text;
    };
    void finishRead(const std::string& nativePath, const Read& read);
    void tell(const Read& read);

    const TextCodec& codec_;
    const std::shared_ptr<const FileSystem> files_;
    StartThread startThread_;
    // Reads hand their bytes over through the mailbox; it is closed first when the loader goes.
    std::shared_ptr<Mailbox> mailbox_;
    std::optional<std::string> wanted_;  // the native path of the load asked for last
    PathJobs reads_;
    QTimer notice_;
};

}  // namespace morvane
