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
    file.dir = directoryPart(path);
    file.sjisPath = joinPath(file.dir, file.fileName);
    return file;
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

// Whether the answer gives the record another size or time stamp than it holds.
bool sizeOrStampDiffer(std::string_view record, const LookedUp& found) {
    return cutField(record, SizeText) != std::string_view(found.size.data(), found.size.size()) ||
           cutField(record, StampText) != std::string_view(found.stamp.data(), found.stamp.size());
}

// What a row's file answered: its facts, none for a file not found, or null where it has not
// answered.
const std::optional<FileFacts>* answerOf(const WatchedFile& file, const LookupAnswers& answers) {
    static const std::optional<FileFacts> notFound;
    if (!file.nativePath) return &notFound;
    const auto answer = answers.find(*file.nativePath);
    return answer != answers.end() ? &answer->second : nullptr;
}

void markUnanswered(WatchRow& row, bool answered, const LocalDateTime& started) {
    if (answered)
        row.unansweredSince.reset();
    else if (!row.unansweredSince)
        row.unansweredSince = started;
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

void rebuildRows(const WatchedFiles& files, const WatchRows& before, const LookupAnswers& answers,
                 const LocalDateTime& started, WatchRows& rows) {
    std::unordered_map<std::string_view, const WatchRow*> earlier;
    for (const WatchRow& row : before)
        if (row.nativePath()) earlier.emplace(*row.nativePath(), &row);
    const std::size_t watched = std::min(files.size(), MaxWatched);
    rows.assign(watched, {});
    for (std::size_t seq = 0; seq < watched; ++seq) {
        const WatchedFile& file = files[seq];
        WatchRow& row = rows[seq];
        row.file = &file;
        row.line = seq;
        std::array<char, FieldWidth[SeqNo]> seqText;
        putDigits(seqText.data(), static_cast<long long>(seq), FieldWidth[SeqNo]);
        const std::optional<FileFacts>* facts = answerOf(file, answers);
        const auto old = file.nativePath ? earlier.find(*file.nativePath) : earlier.end();
        if (old != earlier.end()) row.unansweredSince = old->second->unansweredSince;
        markUnanswered(row, facts != nullptr, started);
        LookedUp found;
        if (facts) {
            found = lookedUp(*facts, false, {}, started);
            row.sizeOrStampChanged = old != earlier.end() &&
                                     stateOf(old->second->record) != RecordState::Waiting &&
                                     sizeOrStampDiffer(old->second->record, found);
        } else {
            found.state = RecordState::Waiting;
        }
        const RecordSource source{std::string_view(seqText.data(), seqText.size()), file.name,
                                  file.fileName, file.dir};
        writeRecord(source, found, row.record);
        row.writtenAnew = true;
    }
}

bool refreshRows(const LookupAnswers& answers, const LocalDateTime& started, WatchRows& rows) {
    std::string written;
    bool changed = false;
    for (WatchRow& row : rows) {
        const std::optional<FileFacts>* facts = answerOf(*row.file, answers);
        row.writtenAnew = false;
        row.sizeOrStampChanged = false;
        markUnanswered(row, facts != nullptr, started);
        if (!facts) continue;  // no answer yet: the record stays
        std::string& record = row.record;
        const bool waiting = stateOf(record) == RecordState::Waiting;
        const LookedUp found = lookedUp(*facts, !waiting, record, started);
        row.sizeOrStampChanged = sizeOrStampDiffer(record, found);
        // A record that comes out as it was keeps its string; the ordering writes its prefix.
        if (rewritesAlike(record, found)) continue;
        const RecordSource source{cutField(record, SeqNo), cutField(record, DisplayName),
                                  cutField(record, FileNameField), cutField(record, DirPath)};
        writeRecord(source, found, written);
        record.swap(written);
        row.writtenAnew = true;
        changed = true;
    }
    return changed;
}

LocalDateTime checkTime(Clock& clock) {
    return heldToCalendar(clock.now());
}

}  // namespace morvane
