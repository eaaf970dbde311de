#include "CheckCycle.h"

#include <algorithm>
#include <optional>

#include "ShiftJis.h"
#include "WatchLine.h"

namespace morvane {

namespace {

// "監視時刻： " in Shift-JIS.
constexpr std::string_view LastCheckLabel = "\x8A\xC4\x8E\x8B\x8E\x9E\x8D\x8F\x81\x46 ";
// "現在時刻： " in Shift-JIS.
constexpr std::string_view NowLabel = "\x8C\xBB\x8D\xDD\x8E\x9E\x8D\x8F\x81\x46 ";

constexpr std::int64_t LargestSize = 9999999999;

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// Where the file name begins: after the last separator that is not the second byte of a
// double-byte character; 0 when there is none.
std::size_t nameStart(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
            continue;
        }
        if (isSeparator(path[i])) start = i + 1;
    }
    return start;
}

std::string_view withoutTrailingSpaces(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// The path a file is looked up at: the filling spaces of the name are not part of it.
std::string joinPath(std::string_view dir, std::string_view fileName) {
    std::string path(dir);
    path += withoutTrailingSpaces(fileName);
    return path;
}

// What a rebuild takes from a WatchList line.
struct EntryParts {
    std::string_view name;
    std::string_view dir;
    std::string_view fileName;
};

EntryParts entryParts(std::string_view line) {
    const EntryFields fields = parseWatchLine(line).fields;
    const std::string_view path = fields.path.substr(0, MaxPathBytes);
    const std::size_t split = nameStart(path);
    return {fields.name, path.substr(0, split), path.substr(split)};
}

// SeqNo as a number, or -1 when the field is not two digits.
int sequenceOf(std::string_view record) {
    const std::string_view digits = cutField(record, SeqNo);
    if (digits.size() != 2) return -1;
    for (const char c : digits)
        if (c < '0' || c > '9') return -1;
    return (digits[0] - '0') * 10 + (digits[1] - '0');
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

// "yyyy/mm/dd hh:mm:ss" of a time that isCalendarTime() admits: always 19 bytes.
std::string formatDateTime(const LocalDateTime& t) {
    std::string text;
    text.reserve(19);
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

// The clock's time as "yyyy/mm/dd hh:mm:ss", each part held to its range so the texts cut from
// it keep their widths.
std::string formatClock(const LocalDateTime& t) {
    return formatDateTime({std::clamp(t.year, 0, 9999), std::clamp(t.month, 1, 12),
                           std::clamp(t.day, 1, 31), std::clamp(t.hour, 0, 23),
                           std::clamp(t.minute, 0, 59), std::clamp(t.second, 0, 59)});
}

// Ten digits; sizes beyond what ten digits hold show as 9999999999.
std::string formatSize(std::int64_t size) {
    std::string text;
    putNumber(text, std::clamp<std::int64_t>(size, 0, LargestSize), 10);
    return text;
}

// The StampText of a found file: its time to a step of two seconds, or 19 spaces when the
// time is no calendar time that fits the field.
std::string stampOf(LocalDateTime modified) {
    modified.second -= modified.second % 2;
    return isCalendarTime(modified) ? formatDateTime(modified) : std::string(19, ' ');
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

std::string buildRecord(Platform& platform, const RecordSource& source, std::string_view today) {
    char state = NotFound;
    std::string sizeText(10, ' ');
    std::string stampText(19, ' ');
    if (const std::optional<FileFacts> facts = lookUpPath(platform, source.lookupPath)) {
        sizeText = formatSize(facts->size);
        stampText = stampOf(facts->modified);
        state = stampText.compare(0, 10, today) == 0 ? TodayUp : Normal;
        if (source.refresh) {
            if (cutField(source.oldRecord, StampText) < stampText) {
                state = NewUp;
            } else if (cutField(source.oldRecord, StateCode) == "1") {
                state = NewUp2;
            }
        }
    }
    std::string record(static_cast<std::size_t>(FieldWidth[SortPrefix]), ' ');
    record.reserve(static_cast<std::size_t>(FieldStart[DirPath] - 1) + source.dir.size());
    record += state;
    record += padOrCut(source.seqText, 2);
    record += padOrCut(source.name, 20);
    record += padOrCut(source.fileName, 20);
    record += sizeText;
    record += stampText;
    record += source.dir;
    return record;
}

std::string rebuiltRecord(Platform& platform, std::string_view line, std::size_t seq,
                          std::string_view today) {
    const EntryParts parts = entryParts(line);
    std::string seqText;
    putNumber(seqText, static_cast<long long>(seq), 2);
    RecordSource source;
    source.seqText = seqText;
    source.name = parts.name;
    source.fileName = parts.fileName;
    source.dir = parts.dir;
    source.lookupPath = joinPath(parts.dir, parts.fileName);
    return buildRecord(platform, source, today);
}

std::string refreshedRecord(Platform& platform, std::string_view old, const WatchList& watchList,
                            std::string_view today) {
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

}  // namespace

StatusTexts runCheck(Platform& platform, const WatchList& watchList, Records& records,
                     bool rebuildMode, SortState sort) {
    const std::string started = formatClock(platform.clock.now());
    const std::string_view today = std::string_view(started).substr(0, 10);

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

    const std::string finished = formatClock(platform.clock.now());
    StatusTexts texts;
    texts.lastCheck.assign(LastCheckLabel);
    texts.lastCheck += std::string_view(started).substr(11, 8);
    texts.now.assign(NowLabel);
    texts.now += std::string_view(finished).substr(0, 16);
    return texts;
}

std::string recordPath(std::string_view record, const WatchList& watchList) {
    const int seq = sequenceOf(record);
    if (seq >= 0 && static_cast<std::size_t>(seq) < watchList.size()) {
        const EntryParts parts = entryParts(watchList[static_cast<std::size_t>(seq)]);
        // The line must be the one the record was built from; a stale list is not trusted.
        if (padOrCut(parts.name, 20) == padOrCut(cutField(record, DisplayName), 20) &&
            padOrCut(parts.fileName, 20) == padOrCut(cutField(record, FileNameField), 20))
            return joinPath(parts.dir, parts.fileName);
    }
    return joinPath(cutField(record, DirPath), cutField(record, FileNameField));
}

}  // namespace morvane
