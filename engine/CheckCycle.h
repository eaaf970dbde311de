#pragma once

// One check of every watched file: checkNow's work without the window.

#include <string>

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

// Runs one check. Rebuild mode builds records afresh from watchList, one per line for its first
// MaxWatched lines; refresh mode replaces every record in place, looking each file up at
// recordPath(). A refresh of records that are not one per watched line rebuilds them instead.
// Ends by ordering the records with orderRecords.
CheckTimes runCheck(Platform& platform, const WatchList& watchList, Records& records,
                    bool rebuildMode, SortState sort);

// The full Shift-JIS path of the file a record stands for: its own watch list line's path when
// its SeqNo names a line of watchList, else the path joined from the cut DirPath and the
// FileNameField without its filling spaces.
std::string recordPath(std::string_view record, const WatchList& watchList);

}  // namespace morvane
