#pragma once

// One line of the watch list "Filelst.txt": a flag byte ("1" watched, "0" switched off by the
// user), a name field of NameFieldWidth bytes filled with spaces, then the path, all Shift-JIS.
// A line is kept byte for byte as it was read: it may be shorter than its name field or hold
// invalid Shift-JIS.

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr char WatchedFlag = '1';
inline constexpr char SwitchedOffFlag = '0';
inline constexpr std::size_t NameFieldWidth = 20;
// The check looks at no more of a path than this; the bytes after it are ignored.
inline constexpr std::size_t MaxPathBytes = 255;

// The text after the flag byte, the form the editor keeps: the name field as cut (shorter
// where the text ends early) and the path, whole.
struct EntryFields {
    std::string_view name;
    std::string_view path;
};

struct WatchLine {
    bool watched = false;   // the flag is "1"; any other byte, or none, is not watched
    std::string_view text;  // everything after the flag byte
    EntryFields fields;     // text split
};

EntryFields splitEntryText(std::string_view text);
WatchLine parseWatchLine(std::string_view line);

// The text after the flag byte for a name and a path: the name filled with spaces or cut
// after its NameFieldWidth-th byte (also inside a double-byte character).
std::string makeEntryText(std::string_view name, std::string_view path);

// The text after the flag byte for a file handed over by its path alone (dropped, or named on
// the command line): named after the path's last part, cut as makeEntryText() cuts.
std::string makeFileEntryText(std::string_view path);

// The flag byte for a line watched or switched off.
inline char watchFlag(bool watched) {
    return watched ? WatchedFlag : SwitchedOffFlag;
}

// A whole line, without its line end.
std::string makeWatchLine(std::string_view name, std::string_view path, bool watched = true);

}  // namespace morvane
