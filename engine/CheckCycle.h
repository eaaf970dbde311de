#pragma once

// One check of every watched file, in three steps: planCheck() says which paths to look up,
// someone looks them up (runCheck() at once, or LookupWorkers on other threads), and
// applyAnswers() builds the records from what the lookups answered. The first and the last step
// touch no file, so the thread that owns the records never waits for one.

#include <optional>
#include <string>
#include <unordered_map>
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

// One watched line of the watch list, parsed once when the list is loaded.
struct WatchedFile {
    std::string name;      // what a record's DisplayName takes, before its filling
    std::string fileName;  // what its FileNameField takes
    std::string names;     // the DisplayName and FileNameField of a record of it, filled
    std::string dir;       // the Shift-JIS folder with its last "/", as DirPath takes it
    std::string sjisPath;  // the file's full Shift-JIS path, as the content view opens it
    std::optional<std::string> nativePath;  // none: an empty path, or one with no native form
};
using WatchedFiles = std::vector<WatchedFile>;

// The first MaxWatched lines of watchList, parsed.
WatchedFiles watchedFiles(const TextCodec& codec, const WatchList& watchList);

// What a check looks up.
struct CheckPlan {
    // Records built afresh, one per watched file, rather than refreshed in place: asked for, or
    // because the records are not one per watched file.
    bool rebuild = false;
    // The native path each record-to-be is looked up at, in the order of the watched files
    // (a rebuild) or of the records (a refresh); none where the file cannot be looked up.
    std::vector<std::optional<std::string>> paths;
};

CheckPlan planCheck(const TextCodec& codec, const WatchedFiles& files, const Records& records,
                    bool rebuild);

// What the lookups answered, by native path: a found file's facts, or nullopt where the lookup
// failed (no file, or an error). A path that is not here has not answered.
using LookupAnswers = std::unordered_map<std::string, std::optional<FileFacts>>;

// Builds the records of a check planned with plan.rebuild from the answers. A record whose file
// answered takes the answer; one whose file cannot be looked up is not found; one whose file
// has not answered stays exactly as it was, and in a rebuild, where there is none to keep, it is
// Waiting, without size or time. A Waiting record takes its first answer as a rebuild does. Each
// record finds its path as planCheck does, so an ordering between the two steps does no harm.
// today is the day a file counts as modified today. Returns whether any record was built or
// written anew: where none was, the records keep the order they had.
bool applyAnswers(const TextCodec& codec, const WatchedFiles& files, bool rebuild,
                  const LookupAnswers& answers, const LocalDateTime& today, Records& records);

// Runs one check at once, looking every file up on this thread: rebuild mode builds records
// afresh from the watched files, refresh mode replaces every record in place, looking each file
// up at recordPath(). Ends by ordering the records with orderRecords.
CheckTimes runCheck(Platform& platform, const WatchedFiles& files, Records& records,
                    bool rebuildMode, SortState sort);
// The same for the watch list, parsed first.
CheckTimes runCheck(Platform& platform, const WatchList& watchList, Records& records,
                    bool rebuildMode, SortState sort);

// The clock's now() held to a calendar time, as CheckTimes holds it.
LocalDateTime checkTime(Clock& clock);

// The full Shift-JIS path of the file a record stands for: its own watched line's path when its
// SeqNo names a line whose name and file name the record holds, else the path joined from the
// cut DirPath and the FileNameField without its filling spaces.
std::string recordPath(std::string_view record, const WatchedFiles& files);
// The native path a check looks the record's file up at, as planCheck gives it: its watched
// line's, converted once when the list was read; none where it names no file.
std::optional<std::string> recordNativePath(const TextCodec& codec, const WatchedFiles& files,
                                            std::string_view record);
std::string recordPath(std::string_view record, const WatchList& watchList);
// The watched line a record was built from: the one its SeqNo names, when the record holds that
// line's names; else -1.
int watchedLineOf(std::string_view record, const WatchedFiles& files);

}  // namespace morvane
