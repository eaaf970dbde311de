#pragma once

// A StatusRecord is one Shift-JIS text line per watched file, with its fields cut out by the
// column and width of one table. Columns count bytes from 1.
//
//   SortPrefix 1-20 | StateCode 21 | SeqNo 22-23 | DisplayName 24-43 | FileNameField 44-63 |
//   SizeText 64-73 | StampText 74-92 | DirPath 93.. (read as 40 bytes)

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

enum RecordField : int {
    SortPrefix = 0,
    StateCode = 1,
    SeqNo = 2,
    DisplayName = 3,
    FileNameField = 4,
    SizeText = 5,
    StampText = 6,
    DirPath = 7,
};

inline constexpr int FieldStart[8] = {1, 21, 22, 24, 44, 64, 74, 93};
inline constexpr int FieldWidth[8] = {20, 1, 2, 20, 20, 10, 19, 40};

// The bytes before DirPath; DirPath runs to the record's end.
inline constexpr std::size_t FixedFieldsLength = static_cast<std::size_t>(FieldStart[DirPath] - 1);

// The table shows five columns: DisplayName, FileNameField, SizeText, StampText and DirPath.
inline constexpr int ColumnCount = 5;

// A record's state, each written into the StateCode column as its own byte.
enum class RecordState : char {
    Normal = '0',    // none of the others
    NewUp = '1',     // changed at this check
    NewUp2 = '2',    // changed at the check before
    TodayUp = '3',   // modified today
    Waiting = '8',   // built while its file had not answered yet: no size, no time
    NotFound = '9',  // not found, or its lookup failed
};

using Records = std::vector<std::string>;

// Returns the bytes from column start (1-based) for at most width bytes: shorter where the
// record ends early, empty where it ends before the column.
std::string_view cutBytes(std::string_view record, int start, int width);

// Returns the field as cut with FieldStart/FieldWidth.
std::string_view cutField(std::string_view record, RecordField field);

// Writes value into the field of a record at least FixedFieldsLength bytes long: filled with
// spaces or cut after the field's width.
void putField(std::string& record, RecordField field, std::string_view value);

// The record's state, with any unknown byte read as Normal.
RecordState stateOf(std::string_view record);

// The byte a state is written as.
inline char stateCode(RecordState state) {
    return static_cast<char>(state);
}

}  // namespace morvane
