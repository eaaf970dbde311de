#pragma once

// Lookups of watched files on threads of their own, so that the thread that asks for them never
// waits for a file that does not answer.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CheckCycle.h"
#include "Platform.h"

namespace morvane {

struct LookupQueue;  // what the owner and the workers share

// Where a check's lookups run. A path is pending from the request that asks for it until its
// lookup returns; the answers wait until the owner takes them.
class FileLookups {
public:
    virtual ~FileLookups() = default;
    // Asks for the lookup of each path that is not pending. Where paths wait while every
    // lookup under way is taking long, an empty request sets more lookups going.
    virtual void request(const std::vector<std::string>& paths) = 0;
    // The answers given since the last call, each path's last one.
    virtual LookupAnswers takeAnswers() = 0;
    virtual bool isPending(const std::string& path) const = 0;
    virtual std::size_t pendingCount() const = 0;
};

// Lookups on the calling thread: each request returns with its answers. For tools and tests
// whose files always answer.
class LookupsAtOnce final : public FileLookups {
public:
    explicit LookupsAtOnce(const FileSystem& files) : files_(files) {}
    void request(const std::vector<std::string>& paths) override;
    LookupAnswers takeAnswers() override;
    bool isPending(const std::string&) const override { return false; }
    std::size_t pendingCount() const override { return 0; }

private:
    const FileSystem& files_;
    LookupAnswers answers_;
};

// Looks paths up with FileSystem::lookUp on worker threads and keeps the answers until the
// owner takes them. A path is pending from the request that asks for it until its lookup
// returns, and a pending path is never asked again: a lookup that never returns is asked once.
//
// The workers take the waiting paths in turn; one worker, woken once, does a check's lookups
// when they all answer quickly. A request that finds paths waiting and no worker free starts
// one more, so a lookup that hangs holds up only its own thread once its owner asks again (an
// empty request does). Threads alive are at most the lookups running at once plus one, and
// lookups run only for pending paths: at most the pending paths plus one threads, the hung ones
// among them. A worker with nothing to do for IdleTime ends.
//
// Threads are detached and the destructor waits for none of them; once it has returned, notify
// is never called again. A lookup still running then goes on using the file system, which must
// therefore outlive it: the real one, which lives until the process ends, keeps no state.
class LookupWorkers final : public FileLookups {
public:
    static constexpr std::chrono::seconds IdleTime{30};

    // notify is called on a worker thread, with the workers' lock held, when an answer leaves no
    // path waiting; it must not call the workers. It does no more than pass the news on.
    LookupWorkers(const FileSystem& files, std::function<void()> notify);
    ~LookupWorkers();
    LookupWorkers(const LookupWorkers&) = delete;
    LookupWorkers& operator=(const LookupWorkers&) = delete;

    void request(const std::vector<std::string>& paths) override;
    LookupAnswers takeAnswers() override;
    bool isPending(const std::string& path) const override;
    std::size_t pendingCount() const override;

private:
    std::shared_ptr<LookupQueue> shared_;
};

// How long a check waits for its lookups: a file that has not answered by then keeps its record.
inline constexpr std::chrono::milliseconds CheckDeadline{300};
// How often a check still in flight asks its lookups again (nudge), so that paths waiting
// behind a lookup that takes long are looked up on another thread.
inline constexpr std::chrono::milliseconds CheckNudgeInterval{50};

// Checks whose lookups run elsewhere (LookupWorkers), for a thread that must never wait for a
// file. start() plans a check and asks for its paths; takeAnswers(), called at each notify of the
// workers, says when every path has answered; finish() builds the records from what has
// answered by then, at the latest CheckDeadline after start(). A file that has not answered
// keeps its record as it is and is not asked again while its lookup runs; its answer, when it
// comes, stands for its lookup at the next check.
class BackgroundCheck {
public:
    // The lookups' owner calls takeAnswers() when they tell it answers wait.
    BackgroundCheck(Platform& platform, std::unique_ptr<FileLookups> lookups);

    // Starts a check of the records against files, in place of any check in flight; the clock
    // is read now for the check's day. takeAnswers() may be true at once: for an empty list, or
    // where every file answered since the last check. The records may be ordered again before
    // finish(): each finds its own path there.
    void start(const WatchedFiles& files, const Records& records, bool rebuild);
    bool inFlight() const { return plan_.has_value(); }
    // Whether the check in flight builds its records afresh.
    bool rebuilding() const { return plan_ && plan_->rebuild; }
    // Takes the answers the workers have given; true when a check is in flight and every file
    // it looks up has answered.
    bool takeAnswers();
    // Sets more lookups going where the check's paths wait behind lookups that take long.
    void nudge() { lookups_->request({}); }
    // Ends the check in flight: builds the records from the answers as applyAnswers does, with
    // the files start() was given, and orders them where any changed; records given in the
    // order of `sort` that all come out as they were keep it. The times are those of start()
    // and now.
    CheckTimes finish(const WatchedFiles& files, Records& records, SortState sort);

    const FileLookups& lookups() const { return *lookups_; }

private:
    Platform& platform_;
    std::unique_ptr<FileLookups> lookups_;
    std::optional<CheckPlan> plan_;
    LocalDateTime started_;
    LookupAnswers answers_;  // taken from the workers, not yet used by a check
};

}  // namespace morvane
