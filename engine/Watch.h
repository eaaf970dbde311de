#pragma once

// The watch: the watched files, one row per file, the sort, and the checks that keep the rows up
// to date. A check asks its FileLookups for every file's path and builds the rows from what has
// answered by its end, so that the thread that owns the watch never waits for a file. It takes
// no time of its own: its owner tells it the time at start() and poll(), and wakes it when
// poll() says.

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>

#include "CheckCycle.h"
#include "LookupWorkers.h"
#include "Ordering.h"
#include "Platform.h"

namespace morvane {

using Instant = std::chrono::steady_clock::time_point;

// How long a check waits for its lookups: a file that has not answered by then keeps its row.
inline constexpr std::chrono::milliseconds CheckDeadline{300};
// How long a check's lookups may take on the check's thread before the paths still pending are
// set apart, each on a thread of its own: files queued behind one that hangs still answer
// before the deadline.
inline constexpr std::chrono::milliseconds SetApartAfter{150};

// What a check ends with, for whoever shows or tells it.
struct CheckOutcome {
    const WatchRows& rows;  // in display order, owned by the watch
    CheckTimes times;
    bool rebuild = false;
    std::size_t unanswered = 0;  // files whose lookups have not answered
};

class Watch {
public:
    Watch(Platform& platform, std::unique_ptr<FileLookups> lookups);

    // The watch list the checks look up from now on: the next start() rebuilds the rows from it.
    void setFiles(WatchedFiles files);
    // The files of the rows.
    const WatchedFiles& files() const { return *files_; }

    // Starts a check at now; the clock is read for the check's day. A rebuild builds the rows
    // afresh from the files, and drops the lookups of paths no longer watched; a refresh writes
    // each row anew from its file's answer. A refresh while a check is in flight is skipped; a
    // rebuild takes its place. A file that has not answered since the last check is asked
    // again; one whose lookup still runs is not.
    void start(bool rebuild, Instant now);
    // Takes the answers the lookups hold; call it whenever they tell that answers wait.
    void answer();

    struct Polled {
        bool finished = false;        // the check ended at this poll: outcome() tells of it
        std::optional<Instant> next;  // when to poll again; none while no check is in flight
    };
    // Ends the check in flight once every file has answered, or at CheckDeadline after its
    // start; at SetApartAfter the paths still pending go apart. A file that has not answered
    // by the end keeps its row as it is; its answer, when it comes, counts at the next check.
    Polled poll(Instant now);
    bool inFlight() const { return inFlight_; }

    // Orders the rows by sort now, and after each check that writes any row anew.
    void sort(SortState sort);
    SortState sortState() const { return sort_; }

    const WatchRows& rows() const { return rows_; }
    // What the last check ended with; the rows as they are now.
    CheckOutcome outcome() const { return {rows_, times_, rebuilt_, unanswered_}; }
    const FileLookups& lookups() const { return *lookups_; }

private:
    void finish();

    Platform& platform_;
    std::unique_ptr<FileLookups> lookups_;
    std::shared_ptr<const WatchedFiles> files_;       // those of the rows
    std::shared_ptr<const WatchedFiles> nextFiles_;   // set, not yet rebuilt from
    std::shared_ptr<const WatchedFiles> checkFiles_;  // those the check in flight looks up
    WatchRows rows_;
    SortState sort_;
    LookupAnswers answers_;  // taken from the lookups, not yet used by a check

    bool inFlight_ = false;
    bool rebuilding_ = false;  // the check in flight builds the rows afresh
    bool setApart_ = false;    // its pending paths are set apart
    Instant startedAt_;
    LocalDateTime started_;
    CheckTimes times_;  // the last check's
    bool rebuilt_ = false;
    std::size_t unanswered_ = 0;
};

// Runs one check on the calling thread, for a watch whose lookups answer at once
// (LookupsAtOnce): the program's own steps, for tools and tests.
CheckTimes runCheck(Watch& watch, bool rebuild);

}  // namespace morvane
