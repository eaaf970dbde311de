#pragma once

// The steps of one check that touch no file: the watch list parsed once, the paths a check looks
// up, and the rows built from what the lookups answered. The thread that owns the rows never
// waits for a file; Watch (Watch.h) runs the steps.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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
    std::string dir;       // the Shift-JIS folder with its last "/", as DirPath takes it
    std::string sjisPath;  // the file's full Shift-JIS path, as the user reads it
    std::optional<std::string> nativePath;  // none: an empty path, or one with no native form
};
using WatchedFiles = std::vector<WatchedFile>;

// The first MaxWatched lines of watchList, parsed.
WatchedFiles watchedFiles(const TextCodec& codec, const WatchList& watchList);

// One row of the table: a watched file, its record, and what the last check found of it.
struct WatchRow {
    const WatchedFile* file = nullptr;  // owned by the watch, as long as the row
    std::size_t line = 0;               // its line among the watched files, as SeqNo holds it
    std::string record;
    bool writtenAnew = false;  // the last check wrote the record anew
    // The last check's answer gave the file another size or time stamp than the record had; in
    // a rebuild, than the row of the same path had before it.
    bool sizeOrStampChanged = false;
    // The start of the first check in a row that its file did not answer; none while it answers.
    std::optional<LocalDateTime> unansweredSince;

    const std::optional<std::string>& nativePath() const { return file->nativePath; }
};
using WatchRows = std::vector<WatchRow>;

// What the lookups answered, by native path: a found file's facts, or nullopt where the lookup
// failed (no file, or an error). A path that is not here has not answered.
using LookupAnswers = std::unordered_map<std::string, std::optional<FileFacts>>;

// Builds the rows of the files afresh from the answers. A file that cannot be looked up is not
// found; one that has not answered is Waiting, without size or time. before: the rows of the
// check before, whose file of the same path a row is compared with and takes its unanswered
// time from. today is the day a file counts as modified today.
void rebuildRows(const WatchedFiles& files, const WatchRows& before, const LookupAnswers& answers,
                 const LocalDateTime& started, WatchRows& rows);
// Writes each row anew from its file's answer; a row whose file has not answered stays exactly
// as it was. A Waiting row takes its first answer as a rebuild does. Returns whether any record
// was written anew: where none was, the rows keep the order they had.
bool refreshRows(const LookupAnswers& answers, const LocalDateTime& started, WatchRows& rows);

// The clock's now() held to a calendar time, as CheckTimes holds it.
LocalDateTime checkTime(Clock& clock);

}  // namespace morvane
