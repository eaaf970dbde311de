#pragma once

// Lookups of watched files on threads of their own, so that the thread that asks for them never
// waits for a file that does not answer.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CheckCycle.h"
#include "Platform.h"

namespace morvane {

struct LookupQueue;  // what the owner and the threads share

// Where a check's lookups run. A path is pending from the request that asks for it until its
// lookup returns; the answers wait until the owner takes them.
class FileLookups {
public:
    virtual ~FileLookups() = default;
    // Asks for the lookup of each path that is not pending. A path twice in one request may be
    // looked up twice.
    virtual void request(std::vector<std::string> paths) = 0;
    // The answers given since the last call, each path's last one.
    virtual LookupAnswers takeAnswers() = 0;
    virtual bool isPending(const std::string& path) const = 0;
    virtual std::size_t pendingCount() const = 0;
    // Every pending path has taken too long: each goes on, or starts, on a thread of its own,
    // so that the paths asked for later never wait behind it.
    virtual void setPendingApart() {}
    // Drops every path not in `kept`: one not yet looked up is not looked up, and the answer of
    // one whose lookup runs is thrown away when it comes.
    virtual void keepOnly(const std::set<std::string>& kept) { (void)kept; }
};

// Lookups on the calling thread: each request returns with its answers. For tools and tests
// whose files always answer.
class LookupsAtOnce final : public FileLookups {
public:
    explicit LookupsAtOnce(const FileSystem& files) : files_(files) {}
    void request(std::vector<std::string> paths) override;
    LookupAnswers takeAnswers() override;
    bool isPending(const std::string&) const override { return false; }
    std::size_t pendingCount() const override { return 0; }

private:
    const FileSystem& files_;
    LookupAnswers answers_;
};

// Looks paths up with FileSystem::lookUp on detached threads and keeps the answers until the
// owner takes them. A pending path is never asked again: a lookup that never returns is asked
// once.
//
// One thread, the check's thread, looks up the paths of each request in turn, woken once per
// request. When the owner sets the pending paths apart (a check's deadline has passed), the
// check's thread keeps the lookup it is in and ends with it, and each path still waiting gets a
// thread of its own, which ends with its lookup; the next request starts a new check's thread.
// So a path that hangs holds only its own thread, quick paths never queue behind it, and the
// threads alive are at most the pending paths plus one. A check's thread with nothing to do for
// IdleTime ends.
//
// Which paths are being looked up, and which of those were dropped by keepOnly() (a rebuild
// without them: the lookup that hangs is not asked again and its late answer is thrown away), is
// kept in a PathJobs (PathWork.h) under the lookups' lock. An answer is stored under that lock
// and told through notify; the window's runner posts it to its mailbox, which it closes first
// when it goes.
//
// The threads are detached and the destructor waits for none of them; once it has returned,
// notify is never called again. Each thread shares ownership of the file system, so a lookup
// that returns after the owner, and whoever made the file system, are gone still finds it.
class LookupWorkers final : public FileLookups {
public:
    static constexpr std::chrono::seconds IdleTime{30};

    // notify is called on a lookup thread, with the lookups' lock held, when the check's thread
    // has looked up every path asked of it, or a path set apart has answered; it must not call
    // the lookups. It does no more than pass the news on.
    LookupWorkers(std::shared_ptr<const FileSystem> files, std::function<void()> notify);
    ~LookupWorkers();
    LookupWorkers(const LookupWorkers&) = delete;
    LookupWorkers& operator=(const LookupWorkers&) = delete;

    void request(std::vector<std::string> paths) override;
    LookupAnswers takeAnswers() override;
    bool isPending(const std::string& path) const override;
    std::size_t pendingCount() const override;
    void setPendingApart() override;
    void keepOnly(const std::set<std::string>& kept) override;

private:
    std::shared_ptr<LookupQueue> shared_;
};

}  // namespace morvane
