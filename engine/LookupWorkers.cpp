#include "LookupWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>

#include "PathWork.h"

namespace morvane {

// Everything the owner and the threads share, behind one lock; each thread keeps it alive, and
// with it the file system.
struct LookupQueue {
    LookupQueue(std::shared_ptr<const FileSystem> fs, std::function<void()> onAnswers)
        : files(std::move(fs)), notify(std::move(onAnswers)) {}

    const std::shared_ptr<const FileSystem> files;
    mutable std::mutex mutex;
    std::condition_variable work;  // paths wait for the check's thread, or it is dismissed
    std::function<void()> notify;  // empty once the owner is gone
    // The paths asked of the check's thread; it takes them in turn from `next` on.
    std::vector<std::string> waiting;
    std::size_t next = 0;
    // The paths being looked up: the check's thread's, and those on threads of their own.
    PathJobs looking;
    bool checkThreadLooks = false;  // the check's thread is in a lookup
    LookupAnswers answers;
    std::uint64_t checkThread = 0;  // the id of the check's thread; 0 while there is none
    std::uint64_t lastId = 0;
    bool closed = false;

    // Whether the path is pending, looking among the paths waiting before `waitingEnd` only.
    bool isPending(const std::string& path, std::size_t waitingEnd) const {
        if (looking.isPending(path)) return true;
        return std::find(waiting.begin() + std::ptrdiff_t(next),
                         waiting.begin() + std::ptrdiff_t(waitingEnd),
                         path) != waiting.begin() + std::ptrdiff_t(waitingEnd);
    }
    // Keeps the answer of a lookup that has ended, unless its path was dropped meanwhile.
    bool keep(std::string path, std::optional<FileFacts> facts) {
        if (!looking.end(path).counts || closed) return false;
        answers.insert_or_assign(std::move(path), std::move(facts));
        return true;
    }
    void tellOwner() const {
        if (notify) notify();
    }
};

namespace {

// A lookup that fails in any way finds no file.
std::optional<FileFacts> lookUpOnce(const FileSystem& files, const std::string& path) {
    try {
        return files.lookUp(path);
    } catch (...) {
        return std::nullopt;
    }
}

void runCheckThread(const std::shared_ptr<LookupQueue>& shared, std::uint64_t id) {
    LookupQueue& s = *shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    for (;;) {
        if (s.closed || s.checkThread != id) return;
        if (s.next == s.waiting.size()) {
            s.waiting.clear();
            s.next = 0;
            const bool woken = s.work.wait_for(lock, LookupWorkers::IdleTime, [&] {
                return s.closed || s.checkThread != id || s.next < s.waiting.size();
            });
            if (!woken) s.checkThread = 0;
            continue;
        }
        std::string path = std::move(s.waiting[s.next++]);
        if (!s.looking.begin(path)) continue;  // set apart already, on a thread of its own
        s.checkThreadLooks = true;
        lock.unlock();
        std::optional<FileFacts> facts = lookUpOnce(*s.files, path);
        lock.lock();
        if (s.checkThread != id) {
            // Set apart while looking up: the path was this thread's own from then on.
            if (s.keep(std::move(path), std::move(facts))) s.tellOwner();
            return;
        }
        s.checkThreadLooks = false;
        s.keep(std::move(path), std::move(facts));
        if (s.closed) return;
        // One word to the owner once the paths asked for are all looked up.
        if (s.next == s.waiting.size()) s.tellOwner();
    }
}

// Looks the path up on a thread of its own. Where no thread can be started the path is no
// longer pending, and the next request asks for it again.
void lookUpApart(const std::shared_ptr<LookupQueue>& shared, const std::string& path) {
    if (!shared->looking.begin(path)) return;
    const bool started = startDetachedThread([shared, path] {
        std::optional<FileFacts> facts = lookUpOnce(*shared->files, path);
        const std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->keep(path, std::move(facts))) shared->tellOwner();
    });
    if (!started) shared->looking.end(path);
}

}  // namespace

LookupWorkers::LookupWorkers(std::shared_ptr<const FileSystem> files, std::function<void()> notify)
    : shared_(std::make_shared<LookupQueue>(std::move(files), std::move(notify))) {}

LookupWorkers::~LookupWorkers() {
    std::function<void()> notify;
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->closed = true;
        shared_->waiting.clear();
        shared_->next = 0;
        notify.swap(shared_->notify);
    }
    shared_->work.notify_all();
    // The callback, and whatever it holds, is destroyed here, outside the lock.
}

void LookupWorkers::request(std::vector<std::string> paths) {
    LookupQueue& s = *shared_;
    std::unique_lock<std::mutex> lock(s.mutex);
    const std::size_t before = s.waiting.size();
    // A path twice in one request waits twice: the check's thread looks it up twice, and
    // setPendingApart() gives it one thread.
    for (std::string& path : paths) {
        // A dropped path asked for again takes the answer of the lookup that runs.
        if (s.looking.inFlight(path)) {
            s.looking.begin(path);
            continue;
        }
        if (!s.isPending(path, before)) s.waiting.push_back(std::move(path));
    }
    if (s.waiting.size() == before) return;
    if (s.checkThread != 0) {
        // Woken after the lock is let go, the thread does not wait for it at once.
        lock.unlock();
        s.work.notify_one();
        return;
    }
    const std::uint64_t id = ++s.lastId;
    s.checkThread = id;
    // Where no thread can be started, the paths wait for the next request.
    if (!startDetachedThread([shared = shared_, id] { runCheckThread(shared, id); }))
        s.checkThread = 0;
}

LookupAnswers LookupWorkers::takeAnswers() {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return std::exchange(shared_->answers, {});
}

bool LookupWorkers::isPending(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->isPending(path, shared_->waiting.size());
}

std::size_t LookupWorkers::pendingCount() const {
    const LookupQueue& s = *shared_;
    const std::lock_guard<std::mutex> lock(s.mutex);
    return s.looking.pendingCount() + (s.waiting.size() - s.next);
}

void LookupWorkers::setPendingApart() {
    LookupQueue& s = *shared_;
    const std::lock_guard<std::mutex> lock(s.mutex);
    if (s.checkThreadLooks) {
        // The check's thread ends with the lookup it is in; the next request starts another.
        s.checkThreadLooks = false;
        s.checkThread = 0;
        s.work.notify_all();
    }
    for (std::size_t i = s.next; i < s.waiting.size(); ++i) lookUpApart(shared_, s.waiting[i]);
    s.waiting.clear();
    s.next = 0;
}

void LookupWorkers::keepOnly(const std::set<std::string>& kept) {
    LookupQueue& s = *shared_;
    const std::lock_guard<std::mutex> lock(s.mutex);
    const auto gone = [&kept](const std::string& path) { return kept.count(path) == 0; };
    s.waiting.erase(
        std::remove_if(s.waiting.begin() + std::ptrdiff_t(s.next), s.waiting.end(), gone),
        s.waiting.end());
    s.looking.keepOnly(kept);
    for (auto it = s.answers.begin(); it != s.answers.end();)
        it = gone(it->first) ? s.answers.erase(it) : std::next(it);
}

void LookupsAtOnce::request(std::vector<std::string> paths) {
    for (std::string& path : paths) {
        std::optional<FileFacts> facts = lookUpOnce(files_, path);
        answers_.insert_or_assign(std::move(path), std::move(facts));
    }
}

LookupAnswers LookupsAtOnce::takeAnswers() {
    return std::exchange(answers_, {});
}

}  // namespace morvane
