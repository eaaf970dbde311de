#include "BackgroundCheck.h"

#include <set>
#include <utility>

namespace morvane {

BackgroundCheck::BackgroundCheck(Platform& platform, std::unique_ptr<FileLookups> lookups)
    : platform_(platform), lookups_(std::move(lookups)) {}

void BackgroundCheck::start(const WatchedFiles& files, const Records& records, bool rebuild) {
    started_ = checkTime(platform_.clock);
    plan_ = planCheck(platform_.codec, files, records, rebuild);
    if (plan_->rebuild) {
        // A path taken out of the watch list is not asked again, and its late answer is lost.
        std::set<std::string> watched;
        for (const std::optional<std::string>& path : plan_->paths)
            if (path) watched.insert(*path);
        for (auto it = answers_.begin(); it != answers_.end();)
            it = watched.count(it->first) == 0 ? answers_.erase(it) : std::next(it);
        lookups_->keepOnly(watched);
    }
    takeAnswers();
    // A path twice in the plan is asked for once: the lookups never ask a pending path again.
    std::vector<std::string> unanswered;
    unanswered.reserve(plan_->paths.size());
    for (const std::optional<std::string>& path : plan_->paths)
        if (path && answers_.count(*path) == 0) unanswered.push_back(*path);
    lookups_->request(std::move(unanswered));
}

bool BackgroundCheck::everyPathAnswered() const {
    for (const std::optional<std::string>& path : plan_->paths)
        if (path && answers_.count(*path) == 0) return false;
    return true;
}

bool BackgroundCheck::takeAnswers() {
    LookupAnswers taken = lookups_->takeAnswers();
    if (answers_.empty()) {
        answers_ = std::move(taken);
    } else {
        for (auto& [path, facts] : taken) answers_[path] = std::move(facts);
    }
    return plan_ && everyPathAnswered();
}

CheckTimes BackgroundCheck::finish(const WatchedFiles& files, Records& records, SortState sort) {
    if (plan_ && !takeAnswers()) lookups_->setPendingApart();
    // Records that all came out as they were are still in the order they were given.
    if (plan_ && applyAnswers(platform_.codec, files, plan_->rebuild, answers_, started_, records))
        orderRecords(records, sort, platform_.collator);
    // Every answer until now was this check's; those given later count at the next one.
    answers_.clear();
    plan_.reset();
    return {started_, checkTime(platform_.clock)};
}

}  // namespace morvane
