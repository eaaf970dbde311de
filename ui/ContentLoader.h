#pragma once

// The content view's loads: a watched file read on a thread of its own, its text decoded back on
// the window's thread. Only the load asked for last is told.

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ContentLoad.h"
#include "Platform.h"

namespace morvane {

class Mailbox;

// A load still running after this says so.
inline constexpr std::chrono::milliseconds LoadingNoticeDelay{1000};

class ContentLoader : public QObject {
    Q_OBJECT
public:
    // Runs work away from the window's thread; false where it cannot be started.
    using StartWork = std::function<bool(std::function<void()> work)>;

    // files: the file system the reads use; each read shares it, since a read may outlive the
    // loader. The codec is used on the loader's thread only. Without startWork, each read
    // runs on a detached thread of its own.
    ContentLoader(const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                  StartWork startWork, QObject* parent = nullptr);
    ~ContentLoader() override;

    // Loads the file at the Shift-JIS path in place of any load asked for before. A file
    // already being read is not read again: the load waits for that read, and with
    // readAfterNow (the file has changed since that read began) reads it again after it. May
    // tell its end before it returns.
    void load(const std::string& sjisPath, bool readAfterNow = false);
    // Forgets the load asked for: nothing more is told of it.
    void cancel();
    bool isLoading() const { return wanted_.has_value(); }

signals:
    void loaded(const QString& text);
    // No file is at the path (or a folder is).
    void missing();
    // The file is there but could not be read or shown; sjisPath names it.
    void failed(const std::string& sjisPath);
    // The load has run for LoadingNoticeDelay and goes on.
    void slow();

private:
    struct Wanted {
        std::string nativePath;
        std::string sjisPath;
    };
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
    StartWork startWork_;
    // Reads hand their bytes over through the mailbox; it is closed first when the loader goes.
    std::shared_ptr<Mailbox> mailbox_;
    std::optional<Wanted> wanted_;
    std::set<std::string> reading_;    // native paths whose read runs
    std::set<std::string> readAgain_;  // among them, those to read again once it ends
    QTimer notice_;
};

}  // namespace morvane
