#pragma once

// Checks whose lookups run elsewhere (LookupWorkers), for a thread that must never wait for a
// file.

#include <chrono>
#include <memory>

#include "CheckCycle.h"
#include "LookupWorkers.h"
#include "Ordering.h"
#include "Platform.h"

namespace morvane {

// How long a check waits for its lookups: a file that has not answered by then keeps its record.
inline constexpr std::chrono::milliseconds CheckDeadline{300};
// How long a check's lookups may take on the check's thread before the paths still pending are
// set apart, each on a thread of its own: files queued behind one that hangs still answer
// before the deadline.
inline constexpr std::chrono::milliseconds SetApartAfter{150};

// start() plans a check and asks for its paths; takeAnswers(), called whenever the lookups tell
// that answers wait, says when every path has answered; setPendingApart(), SetApartAfter start()
// where some have not, gives each pending path a thread of its own; finish() builds the records
// from what has answered by then, at the latest CheckDeadline after start(). A file that has not
// answered keeps its record as it is and is not asked again while its lookup runs; its answer,
// when it comes, stands for its lookup at the next check.
class BackgroundCheck {
public:
    BackgroundCheck(Platform& platform, std::unique_ptr<FileLookups> lookups);

    // Starts a check of the records against files, in place of any check in flight; the clock
    // is read now for the check's day. A rebuild drops the lookups of paths no longer watched.
    // takeAnswers() may be true at once: for an empty list, or where every file answered since
    // the last check. The records may be ordered again before finish(): each finds its own path
    // there.
    void start(const WatchedFiles& files, const Records& records, bool rebuild);
    bool inFlight() const { return inFlight_; }
    // Whether the check in flight builds its records afresh.
    bool rebuilding() const { return inFlight_ && rebuild_; }
    // Takes the answers the lookups have given; true when a check is in flight and every file
    // it looks up has answered.
    bool takeAnswers();
    void setPendingApart() { lookups_->setPendingApart(); }
    // Ends the check in flight: builds the records from the answers as applyAnswers does, with
    // the files start() was given, and orders them where any changed; records given in the
    // order of `sort` that all come out as they were keep it. The paths that have not answered
    // are set apart. The times are those of start() and now.
    CheckTimes finish(const WatchedFiles& files, Records& records, SortState sort);

    const FileLookups& lookups() const { return *lookups_; }

private:
    Platform& platform_;
    std::unique_ptr<FileLookups> lookups_;
    bool inFlight_ = false;
    bool rebuild_ = false;  // the check in flight builds its records afresh
    LocalDateTime started_;
    LookupAnswers answers_;  // taken from the lookups, not yet used by a check
};

}  // namespace morvane
