#include "Watch.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace morvane {

Watch::Watch(Platform& platform, std::unique_ptr<FileLookups> lookups)
    : platform_(platform),
      lookups_(std::move(lookups)),
      files_(std::make_shared<const WatchedFiles>()) {}

void Watch::setFiles(WatchedFiles files) {
    nextFiles_ = std::make_shared<const WatchedFiles>(std::move(files));
}

void Watch::start(bool rebuild, Instant now) {
    rebuild = rebuild || nextFiles_;
    if (inFlight_ && !rebuild) return;
    started_ = checkTime(platform_.clock);
    startedAt_ = now;
    inFlight_ = true;
    setApart_ = false;
    rebuilding_ = rebuild || rebuilding_;
    if (rebuild) {
        if (nextFiles_) checkFiles_ = std::move(nextFiles_);
        if (!checkFiles_) checkFiles_ = files_;
        // A path taken out of the watch list is not asked again, and its late answer is lost.
        std::set<std::string> watched;
        for (const WatchedFile& file : *checkFiles_)
            if (file.nativePath) watched.insert(*file.nativePath);
        for (auto it = answers_.begin(); it != answers_.end();)
            it = watched.count(it->first) == 0 ? answers_.erase(it) : std::next(it);
        lookups_->keepOnly(watched);
    }
    answer();
    const WatchedFiles& files = rebuilding_ ? *checkFiles_ : *files_;
    std::vector<std::string> unanswered;
    unanswered.reserve(files.size());
    for (const WatchedFile& file : files)
        if (file.nativePath && answers_.count(*file.nativePath) == 0)
            unanswered.push_back(*file.nativePath);
    lookups_->request(std::move(unanswered));
}

void Watch::answer() {
    LookupAnswers taken = lookups_->takeAnswers();
    if (answers_.empty()) {
        answers_ = std::move(taken);
    } else {
        for (auto& [path, facts] : taken) answers_[path] = std::move(facts);
    }
}

Watch::Polled Watch::poll(Instant now) {
    if (!inFlight_) return {};
    // The lookups look up no path but the watched ones (a rebuild drops the others), and a
    // check asks for every watched path that has not answered: once none is pending, every
    // path of the check has answered.
    if (lookups_->pendingCount() == 0 || now >= startedAt_ + CheckDeadline) {
        finish();
        return {true, std::nullopt};
    }
    if (!setApart_ && now >= startedAt_ + SetApartAfter) {
        setApart_ = true;
        lookups_->setPendingApart();
    }
    return {false, startedAt_ + (setApart_ ? CheckDeadline : SetApartAfter)};
}

void Watch::finish() {
    answer();
    if (lookups_->pendingCount() > 0) lookups_->setPendingApart();
    inFlight_ = false;
    rebuilt_ = rebuilding_;
    rebuilding_ = false;
    // Rows that all came out as they were are still in the order of the sort.
    bool written = true;
    if (rebuilt_) {
        WatchRows rows;
        rebuildRows(*checkFiles_, rows_, answers_, started_, rows);
        rows_ = std::move(rows);
        files_ = std::move(checkFiles_);
    } else {
        written = refreshRows(answers_, started_, rows_);
    }
    // Every answer until now was this check's; those given later count at the next one.
    answers_.clear();
    if (written) orderRows(rows_, sort_, platform_.collator);
    std::set<std::string_view> unanswered;
    for (const WatchRow& row : rows_)
        if (row.unansweredSince && row.nativePath()) unanswered.insert(*row.nativePath());
    unanswered_ = unanswered.size();
    times_ = {started_, checkTime(platform_.clock)};
}

void Watch::sort(SortState sort) {
    sort_ = sort;
    orderRows(rows_, sort_, platform_.collator);
}

CheckTimes runCheck(Watch& watch, bool rebuild) {
    const Instant now = std::chrono::steady_clock::now();
    watch.start(rebuild, now);
    watch.answer();
    if (!watch.poll(now).finished) watch.poll(now + CheckDeadline);
    return watch.outcome().times;
}

}  // namespace morvane
