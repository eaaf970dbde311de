#pragma once

// The window's checks: their lookups on other threads, the deadline, and which files have not
// answered since when. The window starts a check and hears of its end through one signal.

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "BackgroundCheck.h"
#include "CheckCycle.h"
#include "Platform.h"

namespace morvane {

class Mailbox;
class RecordTableModel;

// What a check ends with, for whoever shows or tells it.
struct CheckOutcome {
    Records records;  // in display order
    CheckTimes times;
    bool rebuild = false;
    std::size_t unanswered = 0;  // files whose lookups have not answered
};

class CheckRunner : public QObject {
    Q_OBJECT
public:
    // Makes the lookups a check's files are looked up with; notify tells, from any thread, that
    // answers wait.
    using MakeLookups = std::function<std::unique_ptr<FileLookups>(std::function<void()> notify)>;

    // shown: the records as the window shows them, and their sort state; a check starts from
    // them and ends with them ordered that way. Without makeLookups, the files are looked up
    // by LookupWorkers through `files`, which their threads share.
    CheckRunner(Platform& platform, const RecordTableModel& shown,
                std::shared_ptr<const FileSystem> files, const MakeLookups& makeLookups,
                QObject* parent = nullptr);
    ~CheckRunner() override;

    // The watch list as the checks look it up, parsed once when it was read.
    void setWatchedFiles(WatchedFiles files) { watched_ = std::move(files); }
    const WatchedFiles& watchedFiles() const { return watched_; }

    // Starts a check, rebuilding the records from the watched files when rebuild is true. A
    // refresh while a check is in flight is skipped; a rebuild takes its place. The check ends
    // when every file has answered, or at CheckDeadline; finished() may come before start()
    // returns.
    void start(bool rebuild);

    // The start of the first check the record's file did not answer; null while it answers.
    const LocalDateTime* unansweredSince(std::string_view record) const;

signals:
    void finished(const CheckOutcome& outcome);
    // A check ended in an error (UTF-8, as the user reads it); the records stay as they were.
    void failed(const std::string& utf8Message);

private:
    void onAnswers();
    void finish();

    Platform& platform_;
    const RecordTableModel& shown_;
    // The lookups hand their news over through the mailbox; it is closed first when the
    // runner goes, so nothing arrives after.
    std::shared_ptr<Mailbox> mailbox_;
    BackgroundCheck check_;
    WatchedFiles watched_;
    // Each file whose lookup has not answered, by native path: the start of the first check it
    // missed.
    std::map<std::string, LocalDateTime> unansweredSince_;
    QTimer deadline_;
    bool settingApart_ = false;  // the timer's next end sets the pending paths apart
};

}  // namespace morvane
