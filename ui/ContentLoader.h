#pragma once

// The content view's loads on the road for work by path (PathWork.h): a watched file opened and
// read in pieces by a LogReader on work of its own, its answers posted back to the window's
// thread. Only the load asked for last is told.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "LogReader.h"
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
    // loader. Every read of the view's file (opening, indexing, the lines in view, finds,
    // copies) runs through startThread; without it, on a detached thread of its own
    // (startDetachedThread).
    ContentLoader(std::shared_ptr<const FileSystem> files, StartThread startThread,
                  QObject* parent = nullptr);
    ~ContentLoader() override;

    // Opens the file at the native path in place of any load asked for before. A file already
    // being opened is not opened again: the load waits for that, and with readAfterNow (the
    // file has changed since) opens it again after it. readAfterNow on the file shown reads
    // what is new in it (LogReader::refresh), which tells nothing here. May tell its end before
    // it returns.
    void load(const std::string& nativePath, bool readAfterNow = false);
    // Forgets the load asked for: nothing more is told of it.
    void cancel();
    bool isLoading() const { return wanted_.has_value(); }

signals:
    // The file is open; its reader hands the view its lines.
    void loaded(const std::shared_ptr<morvane::LogReader>& reader);
    // No file is at the path (or a folder is).
    void missing();
    // The file is there but could not be read or shown.
    void failed();
    // The load has run for LoadingNoticeDelay and goes on.
    void slow();

private:
    void startRead(const std::string& nativePath);
    void finishRead(const std::string& nativePath, ContentLoad::Status status,
                    const std::shared_ptr<LogReader>& reader);

    const std::shared_ptr<const FileSystem> files_;
    StartThread startThread_;
    // Reads hand their answers over through the mailbox; it is closed first when the loader
    // goes.
    std::shared_ptr<Mailbox> mailbox_;
    std::optional<std::string> wanted_;  // the native path of the load asked for last
    std::shared_ptr<LogReader> shown_;   // the reader of the file last loaded
    std::string shownPath_;              // the native path it was loaded by
    PathJobs opening_;                   // the paths being opened
    QTimer notice_;
};

}  // namespace morvane
