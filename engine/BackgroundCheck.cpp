#include "BackgroundCheck.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace morvane {

BackgroundCheck::BackgroundCheck(Platform& platform, std::unique_ptr<FileLookups> lookups)
    : platform_(platform), lookups_(std::move(lookups)) {}

void BackgroundCheck::start(const WatchedFiles& files, const Records& records, bool rebuild) {
    started_ = checkTime(platform_.clock);
    CheckPlan plan = planCheck(platform_.codec, files, records, rebuild);
    rebuild_ = plan.rebuild;
    inFlight_ = true;
    if (plan.rebuild) {
        // A path taken out of the watch list is not asked again, and its late answer is lost.
        std::set<std::string> watched;
        for (const std::optional<std::string>& path : plan.paths)
            if (path) watched.insert(*path);
        for (auto it = answers_.begin(); it != answers_.end();)
            it = watched.count(it->first) == 0 ? answers_.erase(it) : std::next(it);
        lookups_->keepOnly(watched);
    }
    takeAnswers();
    std::vector<std::string> unanswered;
    unanswered.reserve(plan.paths.size());
    for (std::optional<std::string>& path : plan.paths)
        if (path && answers_.count(*path) == 0) unanswered.push_back(std::move(*path));
    lookups_->request(std::move(unanswered));
}

bool BackgroundCheck::takeAnswers() {
    LookupAnswers taken = lookups_->takeAnswers();
    if (answers_.empty()) {
        answers_ = std::move(taken);
    } else {
        for (auto& [path, facts] : taken) answers_[path] = std::move(facts);
    }
    // The lookups look up no path but the watched ones (a rebuild drops the others), and a
    // check asks for every watched path that has not answered: once none is pending, every
    // path of the check has answered.
    return inFlight_ && lookups_->pendingCount() == 0;
}

CheckTimes BackgroundCheck::finish(const WatchedFiles& files, Records& records, SortState sort) {
    if (inFlight_ && !takeAnswers()) lookups_->setPendingApart();
    // Records that all came out as they were are still in the order they were given.
    if (inFlight_ && applyAnswers(platform_.codec, files, rebuild_, answers_, started_, records))
        orderRecords(records, sort, platform_.collator);
    // Every answer until now was this check's; those given later count at the next one.
    answers_.clear();
    inFlight_ = false;
    return {started_, checkTime(platform_.clock)};
}

}  // namespace morvane
