#include "PathWork.h"

#include <system_error>
#include <thread>

namespace morvane {

bool startDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool PathJobs::begin(const std::string& path, bool again) {
    const auto [it, isNew] = jobs_.try_emplace(path);
    if (isNew) return true;
    if (it->second.dropped) {
        it->second.dropped = false;
        --dropped_;
    }
    it->second.again = it->second.again || again;
    return false;
}

PathJobs::Ended PathJobs::end(const std::string& path) {
    const auto it = jobs_.find(path);
    if (it == jobs_.end()) return {};
    const Ended ended{!it->second.dropped, !it->second.dropped && it->second.again};
    if (it->second.dropped) --dropped_;
    jobs_.erase(it);
    return ended;
}

void PathJobs::keepOnly(const std::set<std::string>& kept) {
    for (auto& [path, job] : jobs_) {
        if (job.dropped || kept.count(path) != 0) continue;
        job.dropped = true;
        job.again = false;
        ++dropped_;
    }
}

void PathJobs::dropAll() {
    keepOnly({});
}

bool PathJobs::isPending(const std::string& path) const {
    const auto it = jobs_.find(path);
    return it != jobs_.end() && !it->second.dropped;
}

}  // namespace morvane
