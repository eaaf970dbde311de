#pragma once

// The window's watch on the window's thread: its lookups' news through a mailbox, and a timer
// that wakes it when it asks. The window starts a check and hears of its end through one
// signal.

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "Platform.h"
#include "Watch.h"

namespace morvane {

class Mailbox;

class CheckRunner : public QObject {
    Q_OBJECT
public:
    // Makes the lookups a check's files are looked up with; notify tells, from any thread, that
    // answers wait.
    using MakeLookups = std::function<std::unique_ptr<FileLookups>(std::function<void()> notify)>;

    // Without makeLookups, the files are looked up by LookupWorkers through `files`, which
    // their threads share.
    CheckRunner(Platform& platform, std::shared_ptr<const FileSystem> files,
                const MakeLookups& makeLookups, QObject* parent = nullptr);
    ~CheckRunner() override;

    const Watch& watch() const { return watch_; }
    // The watch list as the checks look it up from now on, parsed once when it was read.
    void setWatchedFiles(WatchedFiles files) { watch_.setFiles(std::move(files)); }

    // Starts a check (see Watch::start); finished() may come before start() returns.
    void start(bool rebuild);
    // Orders the rows; the table shows them from the watch.
    void sort(SortState sort) { watch_.sort(sort); }

signals:
    void finished(const CheckOutcome& outcome);
    // A check ended in an error (UTF-8, as the user reads it); the rows stay as they were.
    void failed(const std::string& utf8Message);

private:
    void poll();

    // The lookups hand their news over through the mailbox; it is closed first when the
    // runner goes, so nothing arrives after.
    std::shared_ptr<Mailbox> mailbox_;
    Watch watch_;
    QTimer wake_;
};

}  // namespace morvane
