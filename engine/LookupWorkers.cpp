#include "LookupWorkers.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

namespace morvane {

// Everything the owner and the workers share, behind one lock; each worker keeps it alive.
struct LookupQueue {
    LookupQueue(const FileSystem& fs, std::function<void()> onAnswers)
        : files(fs), notify(std::move(onAnswers)) {}

    const FileSystem& files;
    std::mutex mutex;
    std::condition_variable work;  // a path waits, or the owner is gone
    std::function<void()> notify;  // empty once the owner is gone
    std::deque<std::string> waiting;
    std::set<std::string> pending;  // waiting or being looked up
    LookupAnswers answers;
    std::size_t free = 0;  // workers waiting for a path
    bool closed = false;
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

void runWorker(const std::shared_ptr<LookupQueue>& shared) {
    LookupQueue& s = *shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    for (;;) {
        if (s.closed) return;
        if (s.waiting.empty()) {
            ++s.free;
            const bool woken = s.work.wait_for(lock, LookupWorkers::IdleTime,
                                               [&] { return s.closed || !s.waiting.empty(); });
            --s.free;
            if (!woken) return;
            continue;
        }
        const std::string path = std::move(s.waiting.front());
        s.waiting.pop_front();
        lock.unlock();
        std::optional<FileFacts> facts = lookUpOnce(s.files, path);
        lock.lock();
        s.pending.erase(path);
        if (s.closed) return;
        s.answers[path] = std::move(facts);
        // One word to the owner once the paths asked for are all taken: a check's worth of
        // answers, or a late one.
        if (s.waiting.empty() && s.notify) s.notify();
    }
}

// Starts a detached worker; where no thread can be started, the paths wait for the next request.
void startWorker(const std::shared_ptr<LookupQueue>& shared) {
    try {
        std::thread([shared] { runWorker(shared); }).detach();
    } catch (const std::system_error&) {
    }
}

}  // namespace

LookupWorkers::LookupWorkers(const FileSystem& files, std::function<void()> notify)
    : shared_(std::make_shared<LookupQueue>(files, std::move(notify))) {}

LookupWorkers::~LookupWorkers() {
    std::function<void()> notify;
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->closed = true;
        shared_->waiting.clear();
        notify.swap(shared_->notify);
    }
    shared_->work.notify_all();
    // The callback, and whatever it holds, is destroyed here, outside the lock.
}

void LookupWorkers::request(const std::vector<std::string>& paths) {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    for (const std::string& path : paths)
        if (shared_->pending.insert(path).second) shared_->waiting.push_back(path);
    if (shared_->waiting.empty()) return;
    if (shared_->free == 0) {
        startWorker(shared_);
    } else {
        shared_->work.notify_one();
    }
}

LookupAnswers LookupWorkers::takeAnswers() {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return std::exchange(shared_->answers, {});
}

bool LookupWorkers::isPending(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->pending.count(path) != 0;
}

std::size_t LookupWorkers::pendingCount() const {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->pending.size();
}

void LookupsAtOnce::request(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) answers_[path] = lookUpOnce(files_, path);
}

LookupAnswers LookupsAtOnce::takeAnswers() {
    return std::exchange(answers_, {});
}

BackgroundCheck::BackgroundCheck(Platform& platform, std::unique_ptr<FileLookups> lookups)
    : platform_(platform), lookups_(std::move(lookups)) {}

void BackgroundCheck::start(const WatchedFiles& files, const Records& records, bool rebuild) {
    started_ = checkTime(platform_.clock);
    plan_ = planCheck(platform_.codec, files, records, rebuild);
    takeAnswers();
    // A path twice in the plan is asked for once: the lookups never ask a pending path again.
    std::vector<std::string> unanswered;
    unanswered.reserve(plan_->paths.size());
    for (const std::optional<std::string>& path : plan_->paths)
        if (path && answers_.count(*path) == 0) unanswered.push_back(*path);
    lookups_->request(unanswered);
}

bool BackgroundCheck::takeAnswers() {
    LookupAnswers taken = lookups_->takeAnswers();
    if (answers_.empty()) {
        answers_ = std::move(taken);
    } else {
        for (auto& [path, facts] : taken) answers_[path] = std::move(facts);
    }
    if (!plan_) return false;
    for (const std::optional<std::string>& path : plan_->paths)
        if (path && answers_.count(*path) == 0) return false;
    return true;
}

CheckTimes BackgroundCheck::finish(const WatchedFiles& files, Records& records, SortState sort) {
    takeAnswers();
    // Records that all came out as they were are still in the order they were given.
    if (plan_ && applyAnswers(platform_.codec, files, plan_->rebuild, answers_, started_, records))
        orderRecords(records, sort, platform_.collator);
    // Every answer until now was this check's; those given later count at the next one.
    answers_.clear();
    plan_.reset();
    return {started_, checkTime(platform_.clock)};
}

}  // namespace morvane
