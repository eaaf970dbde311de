#pragma once

// Work on watched files by path, away from the thread that asks for it: the one way such work
// gets a thread, and the bookkeeping of which paths have a job in flight. The file lookups of the
// checks (LookupWorkers) and the content view's reads run on it.

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace morvane {

// Starts work on a thread of its own, which nobody waits for; false where none can be started.
using StartThread = std::function<bool(std::function<void()> work)>;
bool startDetachedThread(std::function<void()> work);

// The paths whose job runs: at most one job per path. A job whose path is dropped while it runs
// is not stopped (it may hang in a system call, and nobody joins it), but its answer, when it
// comes, is thrown away. A path may be asked to run again after its current job: a long job per
// path (a reader that works on a file in pieces) asks so when the file changes under it, and may
// look at isPending() between its pieces to stop early once dropped.
//
// Holds no lock of its own: its owner keeps it under the lock its jobs' threads take, or uses it
// on one thread only.
class PathJobs {
public:
    // Whether a job for the path is to start now: false where one is in flight. Asking again for
    // a dropped path takes it back (the job's answer counts again); again asks for one more run
    // once the current one ends.
    bool begin(const std::string& path, bool again = false);

    struct Ended {
        bool counts = false;  // the answer is kept: the path was not dropped
        bool again = false;   // a run after this one was asked for
    };
    // The job of the path has ended; the path is no longer in flight.
    Ended end(const std::string& path);

    // Drops every path not in kept.
    void keepOnly(const std::set<std::string>& kept);
    // Drops every path.
    void dropAll();

    bool inFlight(const std::string& path) const { return jobs_.count(path) != 0; }
    // In flight and not dropped.
    bool isPending(const std::string& path) const;
    std::size_t pendingCount() const { return jobs_.size() - dropped_; }

private:
    struct Job {
        bool dropped = false;
        bool again = false;
    };
    std::map<std::string, Job> jobs_;
    std::size_t dropped_ = 0;
};

}  // namespace morvane
