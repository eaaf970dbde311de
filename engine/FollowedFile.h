#pragma once

// The file the content view shows, followed from check to check by its watch list line, so that
// the check which finds it changed can have it read again.

#include <string>
#include <string_view>

#include "CheckCycle.h"

namespace morvane {

class FollowedFile {
public:
    // Follows the file of the record's watched line, for as long as that line names the same
    // path. A record of no watched line follows nothing.
    void follow(std::string_view record, const WatchedFiles& files);
    void stop();

    // The followed file's full Shift-JIS path; empty when none is followed.
    const std::string& sjisPath() const { return path_; }

    // Whether the check that built the records found the followed file changed: the record of
    // its line is "changed at this check" and was written anew. A file that has not answered
    // keeps its record byte for byte, state and all, so it is not read again for that.
    // Remembers the record for the next check. A line that names another path now (the list
    // was edited) is followed no more.
    bool changedAt(const Records& records, const WatchedFiles& files);

private:
    int line_ = -1;
    std::string path_;
    std::string record_;  // the record after its SortPrefix, as the last check left it
};

}  // namespace morvane
