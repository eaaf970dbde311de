#pragma once

// The content view's loads: a watched file opened and read in pieces by a LogReader on work
// of its own, its answers posted back to the window's thread. Only the load asked for last is
// told.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "LogReader.h"
#include "Platform.h"

namespace morvane {

class Mailbox;

// A load still running after this says so.
inline constexpr std::chrono::milliseconds LoadingNoticeDelay{1000};

class ContentLoader : public QObject {
    Q_OBJECT
public:
    // Runs work away from the window's thread; false where it cannot be started. Every read of
    // the view's file runs through it (opening, indexing, the lines in view, finds, copies).
    using StartWork = LogReader::StartWork;

    // files: the file system the reads use; each read shares it, since a read may outlive the
    // loader. The codec turns Shift-JIS paths into native ones. Without startWork, each read
    // runs on a detached thread of its own.
    ContentLoader(const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                  StartWork startWork, QObject* parent = nullptr);
    ~ContentLoader() override;

    // Opens the file at the Shift-JIS path in place of any load asked for before. A file
    // already being opened is not opened again: the load waits for that, and with readAfterNow
    // (the file has changed since) opens it again after it. readAfterNow on the file shown
    // reads what is new in it (LogReader::refresh), which tells nothing here. May tell its end
    // before it returns.
    void load(const std::string& sjisPath, bool readAfterNow = false);
    // Forgets the load asked for: nothing more is told of it.
    void cancel();
    bool isLoading() const { return wanted_.has_value(); }

signals:
    // The file is open; its reader hands the view its lines.
    void loaded(const std::shared_ptr<morvane::LogReader>& reader);
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
    void finishRead(const std::string& nativePath, ContentLoad::Status status,
                    const std::shared_ptr<LogReader>& reader);

    const TextCodec& codec_;
    const std::shared_ptr<const FileSystem> files_;
    StartWork startWork_;
    // Reads hand their answers over through the mailbox; it is closed first when the loader
    // goes.
    std::shared_ptr<Mailbox> mailbox_;
    std::optional<Wanted> wanted_;
    std::shared_ptr<LogReader> shown_;  // the reader of the file last loaded
    std::string shownPath_;             // the native path it was loaded by
    std::set<std::string> reading_;     // native paths being opened
    std::set<std::string> readAgain_;   // among them, those to open again once that ends
    QTimer notice_;
};

}  // namespace morvane
