#include "CheckCycle.h"

#include <algorithm>
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

void putNumber(std::string& out, long long value, int digits) {
    const std::size_t at = out.size();
    out.append(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0 && value > 0; --i, value /= 10)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
}

bool isCalendarTime(const LocalDateTime& t) {
    return t.year >= 0 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 60;
}

// "yyyy/mm/dd hh:mm:ss" of a time that isCalendarTime() admits: it fills StampText.
std::string formatDateTime(const LocalDateTime& t) {
    std::string text;
    putNumber(text, t.year, 4);
    text += '/';
    putNumber(text, t.month, 2);
    text += '/';
    putNumber(text, t.day, 2);
    text += ' ';
    putNumber(text, t.hour, 2);
    text += ':';
    putNumber(text, t.minute, 2);
    text += ':';
    putNumber(text, t.second, 2);
    return text;
}

LocalDateTime heldToCalendar(const LocalDateTime& t) {
    return {std::clamp(t.year, 0, 9999), std::clamp(t.month, 1, 12),  std::clamp(t.day, 1, 31),
            std::clamp(t.hour, 0, 23),   std::clamp(t.minute, 0, 59), std::clamp(t.second, 0, 59)};
}

// The SizeText of a size: all its digits; sizes beyond what they hold show as 9999999999.
std::string sizeField(std::int64_t size) {
    std::string text;
    putNumber(text, std::clamp<std::int64_t>(size, 0, LargestSize), FieldWidth[SizeText]);
    return text;
}

// Looks a Shift-JIS path up. A path with no native form names no file.
std::optional<FileFacts> lookUpPath(Platform& platform, std::string_view sjisPath) {
    std::string native;
    if (sjisPath.empty() || !platform.codec.toUtf8(sjisPath, native)) return std::nullopt;
    return platform.files.lookUp(native);
}

struct RecordSource {
    std::string_view seqText;  // two bytes
    std::string_view name;
    std::string_view fileName;
    std::string_view dir;
    std::string lookupPath;
    std::string_view oldRecord;  // empty in a rebuild
    bool refresh = false;
};

bool isSameDay(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// A record starts with every field before DirPath filled with spaces: the SortPrefix stays so
// until the ordering writes it, and so do the size and the time of a file not found.
std::string buildRecord(Platform& platform, const RecordSource& source,
                        const LocalDateTime& today) {
    std::string record(FixedFieldsLength, ' ');
    record.reserve(FixedFieldsLength + source.dir.size());
    char state = NotFound;
    if (const std::optional<FileFacts> facts = lookUpPath(platform, source.lookupPath)) {
        putField(record, SizeText, sizeField(facts->size));
        // The time to a step of two seconds; no time at all where it is no calendar time.
        LocalDateTime modified = facts->modified;
        modified.second -= modified.second % 2;
        const bool hasStamp = isCalendarTime(modified);
        if (hasStamp) putField(record, StampText, formatDateTime(modified));
        state = hasStamp && isSameDay(modified, today) ? TodayUp : Normal;
        if (source.refresh) {
            if (cutField(source.oldRecord, StampText) < cutField(record, StampText)) {
                state = NewUp;
            } else if (stateOf(source.oldRecord) == NewUp) {
                state = NewUp2;
            }
        }
    }
    putField(record, StateCode, std::string_view(&state, 1));
    putField(record, SeqNo, source.seqText);
    putField(record, DisplayName, source.name);
    putField(record, FileNameField, source.fileName);
    record += source.dir;
    return record;
}

std::string rebuiltRecord(Platform& platform, std::string_view line, std::size_t seq,
                          const LocalDateTime& today) {
    const EntryParts parts = entryParts(line);
    std::string seqText;
    putNumber(seqText, static_cast<long long>(seq), FieldWidth[SeqNo]);
    RecordSource source;
    source.seqText = seqText;
    source.name = parts.name;
    source.fileName = parts.fileName;
    source.dir = parts.dir;
    source.lookupPath = joinPath(parts.dir, parts.fileName);
    return buildRecord(platform, source, today);
}

std::string refreshedRecord(Platform& platform, std::string_view old, const WatchList& watchList,
                            const LocalDateTime& today) {
    RecordSource source;
    source.seqText = cutField(old, SeqNo);
    source.name = cutField(old, DisplayName);
    source.fileName = cutField(old, FileNameField);
    source.dir = cutField(old, DirPath);
    source.lookupPath = recordPath(old, watchList);
    source.oldRecord = old;
    source.refresh = true;
    return buildRecord(platform, source, today);
}

// Whether two texts fill the field alike.
bool sameField(RecordField field, std::string_view a, std::string_view b) {
    const auto width = static_cast<std::size_t>(FieldWidth[field]);
    return padOrCut(a, width) == padOrCut(b, width);
}

}  // namespace

CheckTimes runCheck(Platform& platform, const WatchList& watchList, Records& records,
                    bool rebuildMode, SortState sort) {
    CheckTimes times;
    times.started = heldToCalendar(platform.clock.now());
    const LocalDateTime& today = times.started;

    const std::size_t watched = std::min(watchList.size(), MaxWatched);
    // A refresh needs exactly one record per watched line; anything else is built afresh.
    if (!rebuildMode && records.size() != watched) rebuildMode = true;
    if (rebuildMode) {
        records.clear();
        records.reserve(watched);
        for (std::size_t i = 0; i < watched; ++i)
            records.push_back(rebuiltRecord(platform, watchList[i], i, today));
    } else {
        for (std::string& record : records)
            record = refreshedRecord(platform, record, watchList, today);
    }

    orderRecords(records, sort, platform.collator);

    times.finished = heldToCalendar(platform.clock.now());
    return times;
}

std::string recordPath(std::string_view record, const WatchList& watchList) {
    const int seq = sequenceOf(record);
    if (seq >= 0 && static_cast<std::size_t>(seq) < watchList.size()) {
        const EntryParts parts = entryParts(watchList[static_cast<std::size_t>(seq)]);
        // The line must be the one the record was built from; a stale list is not trusted.
        if (sameField(DisplayName, parts.name, cutField(record, DisplayName)) &&
            sameField(FileNameField, parts.fileName, cutField(record, FileNameField)))
            return joinPath(parts.dir, parts.fileName);
    }
    return joinPath(cutField(record, DirPath), cutField(record, FileNameField));
}

}  // namespace morvane
