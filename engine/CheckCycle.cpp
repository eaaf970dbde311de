#include "CheckCycle.h"

#include <algorithm>
#include <array>
#include <optional>

#include "ShiftJis.h"
#include "SjisPath.h"
#include "WatchLine.h"

namespace morvane {

namespace {

constexpr std::int64_t LargestSize = 9999999999;

// What a rebuild takes from a WatchList line.
struct EntryParts {
    std::string_view name;
    std::string_view dir;
    std::string_view fileName;
};

EntryParts entryParts(std::string_view line) {
    const EntryFields fields = parseWatchLine(line).fields;
    const std::string_view path = fields.path.substr(0, MaxPathBytes);
    return {fields.name, directoryPart(path), lastPart(path)};
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

// Appends value, held at 0 or more, as putDigits writes it.
void putNumber(std::string& out, long long value, int digits) {
    const std::size_t at = out.size();
    out.append(static_cast<std::size_t>(digits), '0');
    putDigits(&out[at], std::max(value, 0LL), digits);
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

// The path a watch list line names, as a rebuild looks it up.
std::string linePath(std::string_view line) {
    const EntryParts parts = entryParts(line);
    return joinPath(parts.dir, parts.fileName);
}

struct RecordSource {
    std::string_view seqText;  // two bytes
    std::string_view name;
    std::string_view fileName;
    std::string_view dir;
    const std::string* nativePath = nullptr;  // null: the file cannot be looked up
    std::string_view oldRecord;               // empty in a rebuild
    bool refresh = false;
};

bool isSameDay(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// What a lookup gives a record: its StateCode, SizeText and StampText, the last two all
// spaces for a file not found and the time all spaces where it is no calendar time.
struct LookedUp {
    char state = NotFound;
    std::array<char, FieldWidth[SizeText]> size;
    StampChars stamp;
};

LookedUp lookUpFile(Platform& platform, const RecordSource& source, const LocalDateTime& today) {
    LookedUp found;
    found.size.fill(' ');
    found.stamp.fill(' ');
    const std::optional<FileFacts> facts =
        source.nativePath ? platform.files.lookUp(*source.nativePath) : std::nullopt;
    if (!facts) return found;
    putDigits(found.size.data(), std::clamp<std::int64_t>(facts->size, 0, LargestSize),
              FieldWidth[SizeText]);
    // The time to a step of two seconds; no time at all where it is no calendar time.
    LocalDateTime modified = facts->modified;
    modified.second -= modified.second % 2;
    const bool hasStamp = isCalendarTime(modified);
    if (hasStamp) found.stamp = formatDateTime(modified);
    found.state = hasStamp && isSameDay(modified, today) ? TodayUp : Normal;
    if (source.refresh) {
        const std::string_view stamp(found.stamp.data(), found.stamp.size());
        if (cutField(source.oldRecord, StampText) < stamp) {
            found.state = NewUp;
        } else if (stateOf(source.oldRecord) == NewUp) {
            found.state = NewUp2;
        }
    }
    return found;
}

// Writes the record into `record`, whose buffer it reuses. A record starts with every field
// before DirPath filled with spaces: the SortPrefix stays so until the ordering writes it.
void writeRecord(const RecordSource& source, const LookedUp& found, std::string& record) {
    record.assign(FixedFieldsLength, ' ');
    putField(record, StateCode, std::string_view(&found.state, 1));
    putField(record, SeqNo, source.seqText);
    putField(record, DisplayName, source.name);
    putField(record, FileNameField, source.fileName);
    putField(record, SizeText, std::string_view(found.size.data(), found.size.size()));
    putField(record, StampText, std::string_view(found.stamp.data(), found.stamp.size()));
    record += source.dir;
}

// The native path a record's file is looked up at: the memory's, made once per watch list,
// for a line of the list; else sjisPath() converted now, kept in `converted`. Null where the
// path names no file.
template <class SjisPath>
const std::string* lookupPath(const TextCodec& codec, const CheckMemory* memory, int line,
                              std::optional<std::string>& converted, SjisPath&& sjisPath) {
    if (memory && line >= 0) return memory->nativePath(static_cast<std::size_t>(line));
    converted = nativeForm(codec, sjisPath());
    return converted ? &*converted : nullptr;
}

std::string rebuiltRecord(Platform& platform, const WatchList& watchList, std::size_t seq,
                          const LocalDateTime& today, const CheckMemory* memory) {
    const EntryParts parts = entryParts(watchList[seq]);
    std::string seqText;
    putNumber(seqText, static_cast<long long>(seq), FieldWidth[SeqNo]);
    RecordSource source;
    source.seqText = seqText;
    source.name = parts.name;
    source.fileName = parts.fileName;
    source.dir = parts.dir;
    std::optional<std::string> converted;
    source.nativePath = lookupPath(platform.codec, memory, static_cast<int>(seq), converted,
                                   [&] { return joinPath(parts.dir, parts.fileName); });
    std::string record;
    writeRecord(source, lookUpFile(platform, source, today), record);
    return record;
}

// Whether two texts fill the field alike: the shorter filled with spaces, each cut at the
// field's width.
bool sameField(RecordField field, std::string_view a, std::string_view b) {
    const auto width = static_cast<std::size_t>(FieldWidth[field]);
    a = a.substr(0, width);
    b = b.substr(0, width);
    if (a.size() > b.size()) std::swap(a, b);
    return b.substr(0, a.size()) == a && b.find_first_not_of(' ', a.size()) == b.npos;
}

// The watch list line a record was built from: the line its SeqNo names, when that line's name
// and file name fill the record's fields alike. A stale list is not trusted: -1 then. A memory
// prepared for watchList gives the lines' names without parsing the lines again.
int recordLine(std::string_view record, const WatchList& watchList,
               const CheckMemory* memory = nullptr) {
    const int seq = sequenceOf(record);
    if (seq < 0 || static_cast<std::size_t>(seq) >= watchList.size()) return -1;
    const auto line = static_cast<std::size_t>(seq);
    std::string_view name, fileName;
    if (const CheckMemory::LineNames* names = memory ? memory->lineNames(line) : nullptr) {
        name = names->name;
        fileName = names->fileName;
    } else {
        const EntryParts parts = entryParts(watchList[line]);
        name = parts.name;
        fileName = parts.fileName;
    }
    if (!sameField(DisplayName, name, cutField(record, DisplayName)) ||
        !sameField(FileNameField, fileName, cutField(record, FileNameField)))
        return -1;
    return seq;
}

// Whether writing a record with the fields cut from old, and the lookup's, gives old itself
// from StateCode on: old holds every field whole and no more DirPath than is cut from it, and
// the lookup found what old shows.
bool rewritesAlike(std::string_view old, const LookedUp& found) {
    const std::size_t dirLength = old.size() - std::min(old.size(), FixedFieldsLength);
    return old.size() >= FixedFieldsLength &&
           dirLength <= static_cast<std::size_t>(FieldWidth[DirPath]) &&
           old[FieldStart[StateCode] - 1] == found.state &&
           cutField(old, SizeText) == std::string_view(found.size.data(), found.size.size()) &&
           cutField(old, StampText) == std::string_view(found.stamp.data(), found.stamp.size());
}

// Builds the refreshed form of the record old into `record`; false, writing nothing, where
// that form is old itself from StateCode on.
bool buildRefreshedRecord(Platform& platform, std::string_view old, const WatchList& watchList,
                          const LocalDateTime& today, const CheckMemory* memory,
                          std::string& record) {
    RecordSource source;
    source.seqText = cutField(old, SeqNo);
    source.name = cutField(old, DisplayName);
    source.fileName = cutField(old, FileNameField);
    source.dir = cutField(old, DirPath);
    source.oldRecord = old;
    source.refresh = true;
    std::optional<std::string> converted;
    source.nativePath = lookupPath(platform.codec, memory, recordLine(old, watchList, memory),
                                   converted, [&] { return recordPath(old, watchList); });
    const LookedUp found = lookUpFile(platform, source, today);
    if (rewritesAlike(old, found)) return false;
    writeRecord(source, found, record);
    return true;
}

// Whether two records are alike from StateCode on: all but the SortPrefix.
bool sameFromState(std::string_view a, std::string_view b) {
    const auto from = static_cast<std::size_t>(FieldStart[StateCode] - 1);
    return a.substr(std::min(from, a.size())) == b.substr(std::min(from, b.size()));
}

}  // namespace

void CheckMemory::preparePaths(const TextCodec& codec, const WatchList& watchList) {
    if (lines_ == watchList) return;
    lines_ = watchList;
    nativePaths_.clear();
    nativePaths_.reserve(lines_.size());
    lineNames_.clear();
    lineNames_.reserve(lines_.size());
    for (const std::string& line : lines_) {
        nativePaths_.push_back(nativeForm(codec, linePath(line)));
        const EntryParts parts = entryParts(line);
        lineNames_.push_back({std::string(parts.name), std::string(parts.fileName)});
    }
}

const CheckMemory::LineNames* CheckMemory::lineNames(std::size_t line) const {
    return line < lineNames_.size() ? &lineNames_[line] : nullptr;
}

const std::string* CheckMemory::nativePath(std::size_t line) const {
    if (line >= nativePaths_.size() || !nativePaths_[line]) return nullptr;
    return &*nativePaths_[line];
}

bool CheckMemory::holdsOrder(const Records& records, SortState sort) const {
    return hasOrder_ && orderedBy_.key == sort.key && orderedBy_.order == sort.order &&
           ordered_ == records;
}

void CheckMemory::remember(const Records& records, SortState sort) {
    ordered_ = records;
    orderedBy_ = sort;
    hasOrder_ = true;
}

CheckTimes runCheck(Platform& platform, const WatchList& watchList, Records& records,
                    bool rebuildMode, SortState sort, CheckMemory* memory) {
    CheckTimes times;
    times.started = heldToCalendar(platform.clock.now());
    const LocalDateTime& today = times.started;

    const std::size_t watched = std::min(watchList.size(), MaxWatched);
    // A refresh needs exactly one record per watched line; anything else is built afresh.
    if (!rebuildMode && records.size() != watched) rebuildMode = true;
    if (memory) memory->preparePaths(platform.codec, watchList);
    bool changed = rebuildMode;
    if (rebuildMode) {
        records.clear();
        records.reserve(watched);
        for (std::size_t i = 0; i < watched; ++i)
            records.push_back(rebuiltRecord(platform, watchList, i, today, memory));
    } else {
        std::string ownScratch;
        std::string& scratch = memory ? memory->scratch() : ownScratch;
        for (std::string& record : records) {
            // A record that comes out as it was keeps its string, and with it the SortPrefix
            // the last ordering wrote; the ordering writes that prefix again in any case.
            if (!buildRefreshedRecord(platform, record, watchList, today, memory, scratch) ||
                sameFromState(scratch, record))
                continue;
            record.swap(scratch);
            changed = true;
        }
    }

    // Records that are as the memory last saw them ordered, under the same sort state, are
    // in order already: ordering them again would change nothing.
    if (!memory || changed || !memory->holdsOrder(records, sort)) {
        orderRecords(records, sort, platform.collator);
        if (memory) memory->remember(records, sort);
    }

    times.finished = heldToCalendar(platform.clock.now());
    return times;
}

std::string recordPath(std::string_view record, const WatchList& watchList) {
    const int line = recordLine(record, watchList);
    if (line >= 0) return linePath(watchList[static_cast<std::size_t>(line)]);
    return joinPath(cutField(record, DirPath), cutField(record, FileNameField));
}

}  // namespace morvane
