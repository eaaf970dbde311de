#pragma once

// One check of every watched file: checkNow's work without the window.

#include <optional>
#include <string>
#include <vector>

#include "Ordering.h"
#include "Platform.h"
#include "StatusRecord.h"
#include "WatchListFile.h"

namespace morvane {

// The clock's times at the start and the end of a check, each part held to its range (a year
// of 0..9999, a second of 0..59 ...). The start's day is the day a file counts as changed today.
struct CheckTimes {
    LocalDateTime started;
    LocalDateTime finished;
};

class CheckMemory;

// Runs one check. Rebuild mode builds records afresh from watchList, one per line for its first
// MaxWatched lines; refresh mode replaces every record in place, looking each file up at
// recordPath(). A refresh of records that are not one per watched line rebuilds them instead.
// Ends by ordering the records with orderRecords. With a memory the records come out the same,
// with less work where the watch list or the records did not change since its last check.
CheckTimes runCheck(Platform& platform, const WatchList& watchList, Records& records,
                    bool rebuildMode, SortState sort, CheckMemory* memory = nullptr);

// What a check keeps for the next one, so that a check where nothing changed repeats no work:
// the native path and the names of each watched line, made once per watch list rather than at
// every check, and the records as the last check left them ordered, so that records that did not
// change are not ordered again. It checks what it holds against what the next check is given, so it
// cannot go stale: a changed watch list, records ordered or edited by someone else, or another
// sort state are seen, and the work is done again. Use one memory with one platform.
class CheckMemory {
public:
    // Makes the native path and the names of each line of the watch list, unless the lines are
    // those it made them for last time.
    void preparePaths(const TextCodec& codec, const WatchList& watchList);
    // The native path of the file that line of the prepared list names, or null where it names
    // none (an empty path, or one with no native form).
    const std::string* nativePath(std::size_t line) const;
    // What a record built from that line of the prepared list holds in its DisplayName and
    // FileNameField (before their filling), as parsed once per watch list; null past its end.
    struct LineNames {
        std::string name;
        std::string fileName;
    };
    const LineNames* lineNames(std::size_t line) const;

    // Whether orderRecords(records, sort) would leave records exactly as they are: they are the
    // records the last remember() was given, under the same sort state.
    bool holdsOrder(const Records& records, SortState sort) const;
    // Records ordered by orderRecords under sort.
    void remember(const Records& records, SortState sort);

    // Where a check builds a record before it knows whether the record changed.
    std::string& scratch() { return scratch_; }

private:
    WatchList lines_;  // the watched lines the paths were made from
    std::vector<std::optional<std::string>> nativePaths_;
    std::vector<LineNames> lineNames_;
    Records ordered_;
    SortState orderedBy_;
    bool hasOrder_ = false;
    std::string scratch_;
};

// The full Shift-JIS path of the file a record stands for: its own watch list line's path when
// its SeqNo names a line of watchList, else the path joined from the cut DirPath and the
// FileNameField without its filling spaces.
std::string recordPath(std::string_view record, const WatchList& watchList);

}  // namespace morvane
