#include "CheckCycle.h"

#include <algorithm>
#include <array>

#include "ShiftJis.h"
#include "SjisPath.h"
#include "WatchLine.h"

namespace morvane {

namespace {

constexpr std::int64_t LargestSize = 9999999999;

// A watch list line as a check takes it, all but its native path.
WatchedFile parsedLine(std::string_view line) {
    const EntryFields fields = parseWatchLine(line).fields;
    const std::string_view path = fields.path.substr(0, MaxPathBytes);
    WatchedFile file;
    file.name = fields.name;
    file.fileName = lastPart(path);
    file.names = padOrCut(file.name, static_cast<std::size_t>(FieldWidth[DisplayName])) +
                 padOrCut(file.fileName, static_cast<std::size_t>(FieldWidth[FileNameField]));
    file.dir = directoryPart(path);
    file.sjisPath = joinPath(file.dir, file.fileName);
    return file;
}

// SeqNo as a number, or -1 when the field is not two digits.
int sequenceOf(std::string_view record) {
    const std::string_view digits = cutField(record, SeqNo);
    if (digits.size() != static_cast<std::size_t>(FieldWidth[SeqNo])) return -1;
    int seq = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        seq = seq * 10 + (c - '0');
    }
    return seq;
}

// Writes value as digits decimal digits, with leading zeros, at out.
void putDigits(char* out, long long value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
}

bool isCalendarTime(const LocalDateTime& t) {
    return t.year >= 0 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 60;
}

using StampChars = std::array<char, FieldWidth[StampText]>;

// "yyyy/mm/dd hh:mm:ss" of a time that isCalendarTime() admits: it fills StampText.
StampChars formatDateTime(const LocalDateTime& t) {
    StampChars text;
    putDigits(&text[0], t.year, 4);
    text[4] = '/';
    putDigits(&text[5], t.month, 2);
    text[7] = '/';
    putDigits(&text[8], t.day, 2);
    text[10] = ' ';
    putDigits(&text[11], t.hour, 2);
    text[13] = ':';
    putDigits(&text[14], t.minute, 2);
    text[16] = ':';
    putDigits(&text[17], t.second, 2);
    return text;
}

LocalDateTime heldToCalendar(const LocalDateTime& t) {
    return {std::clamp(t.year, 0, 9999), std::clamp(t.month, 1, 12),  std::clamp(t.day, 1, 31),
            std::clamp(t.hour, 0, 23),   std::clamp(t.minute, 0, 59), std::clamp(t.second, 0, 59)};
}

// The native form of a Shift-JIS path; nullopt where it names no file: an empty path, or one
// with no native form.
std::optional<std::string> nativeForm(const TextCodec& codec, std::string_view sjisPath) {
    std::string native;
    if (sjisPath.empty() || !codec.toUtf8(sjisPath, native)) return std::nullopt;
    return native;
}

bool isSameDay(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Whether two texts fill the field alike: the shorter filled with spaces, each cut at the
// field's width.
bool sameField(RecordField field, std::string_view a, std::string_view b) {
    const auto width = static_cast<std::size_t>(FieldWidth[field]);
    a = a.substr(0, width);
    b = b.substr(0, width);
    if (a.size() > b.size()) std::swap(a, b);
    return b.substr(0, a.size()) == a &&
           std::all_of(b.begin() + a.size(), b.end(), [](char c) { return c == ' '; });
}

// The line of a list of `lines` lines a record's SeqNo names; -1 where it names none.
int lineOf(std::string_view record, std::size_t lines) {
    const int seq = sequenceOf(record);
    return seq >= 0 && static_cast<std::size_t>(seq) < lines ? seq : -1;
}

// Whether a record was built from the watched file: the file's name and file name fill the
// record's fields alike. A record of a stale list is not trusted.
bool holdsNamesOf(std::string_view record, const WatchedFile& file) {
    // The two fields lie side by side; a record that holds both whole compares in one go.
    const std::string_view names = cutBytes(record, FieldStart[DisplayName],
                                            FieldWidth[DisplayName] + FieldWidth[FileNameField]);
    if (names.size() == file.names.size()) return names == file.names;
    return sameField(DisplayName, file.name, cutField(record, DisplayName)) &&
           sameField(FileNameField, file.fileName, cutField(record, FileNameField));
}

// The watched file a record was built from: the one its SeqNo names, when the record holds its
// names; else null.
const WatchedFile* watchedFileOf(std::string_view record, const WatchedFiles& files) {
    const int line = lineOf(record, files.size());
    if (line < 0) return nullptr;
    const WatchedFile& file = files[static_cast<std::size_t>(line)];
    return holdsNamesOf(record, file) ? &file : nullptr;
}

// The path joined from a record's own fields, for a record of no watched line.
std::string ownPath(std::string_view record) {
    return joinPath(cutField(record, DirPath), cutField(record, FileNameField));
}

// The native path a refresh looks a record's file up at: its watched file's, or for a record of
// no watched file its own, kept in `own`. Null where it names no file.
const std::string* lookupPath(const TextCodec& codec, const WatchedFiles& files,
                              std::string_view record, std::optional<std::string>& own) {
    if (const WatchedFile* file = watchedFileOf(record, files))
        return file->nativePath ? &*file->nativePath : nullptr;
    own = nativeForm(codec, ownPath(record));
    return own ? &*own : nullptr;
}

// What an answer gives a record: its StateCode, SizeText and StampText, the last two all
// spaces for a file not found or waiting and the time all spaces where it is no calendar time.
struct LookedUp {
    RecordState state = RecordState::NotFound;
    std::array<char, FieldWidth[SizeText]> size;
    StampChars stamp;

    LookedUp() {
        size.fill(' ');
        stamp.fill(' ');
    }
};

// What facts (nullopt: not found) give a record. A refresh compares them with the old record;
// a rebuild has none.
LookedUp lookedUp(const std::optional<FileFacts>& facts, bool refresh, std::string_view old,
                  const LocalDateTime& today) {
    LookedUp found;
    if (!facts) return found;
    putDigits(found.size.data(), std::clamp<std::int64_t>(facts->size, 0, LargestSize),
              FieldWidth[SizeText]);
    // The time to a step of two seconds; no time at all where it is no calendar time.
    LocalDateTime modified = facts->modified;
    modified.second -= modified.second % 2;
    const bool hasStamp = isCalendarTime(modified);
    if (hasStamp) found.stamp = formatDateTime(modified);
    found.state =
        hasStamp && isSameDay(modified, today) ? RecordState::TodayUp : RecordState::Normal;
    if (refresh) {
        const std::string_view stamp(found.stamp.data(), found.stamp.size());
        if (cutField(old, StampText) < stamp) {
            found.state = RecordState::NewUp;
        } else if (stateOf(old) == RecordState::NewUp) {
            found.state = RecordState::NewUp2;
        }
    }
    return found;
}

struct RecordSource {
    std::string_view seqText;  // two bytes
    std::string_view name;
    std::string_view fileName;
    std::string_view dir;
};

// Writes the record into `record`, whose buffer it reuses. A record starts with every field
// before DirPath filled with spaces: the SortPrefix stays so until the ordering writes it.
void writeRecord(const RecordSource& source, const LookedUp& found, std::string& record) {
    record.assign(FixedFieldsLength, ' ');
    const char state = stateCode(found.state);
    putField(record, StateCode, std::string_view(&state, 1));
    putField(record, SeqNo, source.seqText);
    putField(record, DisplayName, source.name);
    putField(record, FileNameField, source.fileName);
    putField(record, SizeText, std::string_view(found.size.data(), found.size.size()));
    putField(record, StampText, std::string_view(found.stamp.data(), found.stamp.size()));
    record += source.dir;
}

// Whether writing a record with the fields cut from old, and the answer's, gives old itself
// from StateCode on: old holds every field whole and no more DirPath than is cut from it, and
// the answer found what old shows.
bool rewritesAlike(std::string_view old, const LookedUp& found) {
    const std::size_t dirLength = old.size() - std::min(old.size(), FixedFieldsLength);
    return old.size() >= FixedFieldsLength &&
           dirLength <= static_cast<std::size_t>(FieldWidth[DirPath]) &&
           old[FieldStart[StateCode] - 1] == stateCode(found.state) &&
           cutField(old, SizeText) == std::string_view(found.size.data(), found.size.size()) &&
           cutField(old, StampText) == std::string_view(found.stamp.data(), found.stamp.size());
}

void rebuildRecords(const WatchedFiles& files, const LookupAnswers& answers,
                    const LocalDateTime& today, Records& records) {
    const std::size_t watched = std::min(files.size(), MaxWatched);
    records.assign(watched, {});
    for (std::size_t seq = 0; seq < watched; ++seq) {
        const WatchedFile& file = files[seq];
        std::array<char, FieldWidth[SeqNo]> seqText;
        putDigits(seqText.data(), static_cast<long long>(seq), FieldWidth[SeqNo]);
        LookedUp found;
        if (file.nativePath) {
            const auto answer = answers.find(*file.nativePath);
            if (answer == answers.end()) {
                found.state = RecordState::Waiting;
            } else {
                found = lookedUp(answer->second, false, {}, today);
            }
        }
        const RecordSource source{std::string_view(seqText.data(), seqText.size()), file.name,
                                  file.fileName, file.dir};
        writeRecord(source, found, records[seq]);
    }
}

// Whether any record was written anew.
bool refreshRecords(const TextCodec& codec, const WatchedFiles& files, const LookupAnswers& answers,
                    const LocalDateTime& today, Records& records) {
    static const std::optional<FileFacts> notFound;
    std::string written;
    bool changed = false;
    for (std::string& record : records) {
        std::optional<std::string> own;
        const std::string* path = lookupPath(codec, files, record, own);
        const std::optional<FileFacts>* facts = &notFound;
        if (path) {
            const auto answer = answers.find(*path);
            if (answer == answers.end()) continue;  // no answer yet: the record stays
            facts = &answer->second;
        }
        const bool waiting = stateOf(record) == RecordState::Waiting;
        const LookedUp found = lookedUp(*facts, !waiting, record, today);
        // A record that comes out as it was keeps its string; the ordering writes its prefix.
        if (rewritesAlike(record, found)) continue;
        const RecordSource source{cutField(record, SeqNo), cutField(record, DisplayName),
                                  cutField(record, FileNameField), cutField(record, DirPath)};
        writeRecord(source, found, written);
        record.swap(written);
        changed = true;
    }
    return changed;
}

}  // namespace

WatchedFiles watchedFiles(const TextCodec& codec, const WatchList& watchList) {
    WatchedFiles files;
    const std::size_t watched = std::min(watchList.size(), MaxWatched);
    files.reserve(watched);
    for (std::size_t i = 0; i < watched; ++i) {
        files.push_back(parsedLine(watchList[i]));
        files.back().nativePath = nativeForm(codec, files.back().sjisPath);
    }
    return files;
}

CheckPlan planCheck(const TextCodec& codec, const WatchedFiles& files, const Records& records,
                    bool rebuild) {
    CheckPlan plan;
    // A refresh needs exactly one record per watched file; anything else is built afresh.
    plan.rebuild = rebuild || records.size() != std::min(files.size(), MaxWatched);
    if (plan.rebuild) {
        for (std::size_t i = 0; i < files.size() && i < MaxWatched; ++i)
            plan.paths.push_back(files[i].nativePath);
    } else {
        for (const std::string& record : records)
            plan.paths.push_back(recordNativePath(codec, files, record));
    }
    return plan;
}

bool applyAnswers(const TextCodec& codec, const WatchedFiles& files, bool rebuild,
                  const LookupAnswers& answers, const LocalDateTime& today, Records& records) {
    if (!rebuild) return refreshRecords(codec, files, answers, today, records);
    rebuildRecords(files, answers, today, records);
    return true;
}

LocalDateTime checkTime(Clock& clock) {
    return heldToCalendar(clock.now());
}

CheckTimes runCheck(Platform& platform, const WatchedFiles& files, Records& records,
                    bool rebuildMode, SortState sort) {
    CheckTimes times;
    times.started = checkTime(platform.clock);
    const CheckPlan plan = planCheck(platform.codec, files, records, rebuildMode);
    LookupAnswers answers;
    for (const std::optional<std::string>& path : plan.paths)
        if (path && answers.count(*path) == 0) answers.emplace(*path, platform.files.lookUp(*path));
    applyAnswers(platform.codec, files, plan.rebuild, answers, times.started, records);
    orderRecords(records, sort, platform.collator);
    times.finished = checkTime(platform.clock);
    return times;
}

CheckTimes runCheck(Platform& platform, const WatchList& watchList, Records& records,
                    bool rebuildMode, SortState sort) {
    return runCheck(platform, watchedFiles(platform.codec, watchList), records, rebuildMode, sort);
}

std::optional<std::string> recordNativePath(const TextCodec& codec, const WatchedFiles& files,
                                            std::string_view record) {
    std::optional<std::string> own;
    const std::string* path = lookupPath(codec, files, record, own);
    return path ? std::optional<std::string>(*path) : std::nullopt;
}

std::string recordPath(std::string_view record, const WatchedFiles& files) {
    if (const WatchedFile* file = watchedFileOf(record, files)) return file->sjisPath;
    return ownPath(record);
}

int watchedLineOf(std::string_view record, const WatchedFiles& files) {
    const WatchedFile* file = watchedFileOf(record, files);
    return file ? static_cast<int>(file - files.data()) : -1;
}

std::string recordPath(std::string_view record, const WatchList& watchList) {
    const int line = lineOf(record, watchList.size());
    if (line >= 0) {
        WatchedFile file = parsedLine(watchList[static_cast<std::size_t>(line)]);
        if (holdsNamesOf(record, file)) return std::move(file.sjisPath);
    }
    return ownPath(record);
}

}  // namespace morvane
