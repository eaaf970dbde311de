#include "FollowedFile.h"

namespace morvane {

namespace {

// A record without the sort key: ordering rewrites that, and it says nothing of the file.
std::string_view withoutSortPrefix(std::string_view record) {
    const auto start = static_cast<std::size_t>(FieldStart[StateCode] - 1);
    return record.size() > start ? record.substr(start) : std::string_view();
}

}  // namespace

void FollowedFile::follow(std::string_view record, const WatchedFiles& files) {
    line_ = watchedLineOf(record, files);
    if (line_ < 0) {
        stop();
        return;
    }
    path_ = files[static_cast<std::size_t>(line_)].sjisPath;
    record_.assign(withoutSortPrefix(record));
}

void FollowedFile::stop() {
    line_ = -1;
    path_.clear();
    record_.clear();
}

bool FollowedFile::changedAt(const Records& records, const WatchedFiles& files) {
    if (line_ < 0) return false;
    const auto line = static_cast<std::size_t>(line_);
    if (line >= files.size() || files[line].sjisPath != path_) {
        stop();
        return false;
    }
    for (const std::string& record : records) {
        if (watchedLineOf(record, files) != line_) continue;
        const std::string_view now = withoutSortPrefix(record);
        const bool changed = stateOf(record) == RecordState::NewUp && now != record_;
        record_.assign(now);
        return changed;
    }
    return false;
}

}  // namespace morvane
