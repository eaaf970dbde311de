#pragma once

// The watch list "Filelst.txt": one watch line (WatchLine.h) per text line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace morvane {

using WatchList = std::vector<std::string>;

// No more entries than this are watched: the record's sequence number has two digits.
inline constexpr std::size_t MaxWatched = 100;

inline constexpr const char* WatchListFileName = "Filelst.txt";

// A watch list larger than this is not a watch list: it is treated as unreadable.
inline constexpr std::size_t MaxWatchListBytes = 16 * 1024 * 1024;

// Splits file bytes into lines at CR LF, lone CR and lone LF; a NUL byte ends the text.
std::vector<std::string> splitLines(std::string_view bytes);

// One line of the editor: the text after its flag byte, and whether the flag was "1".
struct EditorEntry {
    std::string text;
    bool ticked = false;
};

// Loads the enabled lines, whole and in file order, at most MaxWatched of them. Returns false
// and leaves list untouched when no file exists; otherwise replaces list. Throws FileError
// CannotOpenWatchList when the file exists but cannot be read, leaving list untouched.
bool loadWatchList(FileSystem& files, const std::string& path, WatchList& list);

// Loads every line for the editor. Empty when no file exists. Throws FileError
// CannotOpenWatchList when the file exists but cannot be read.
std::vector<EditorEntry> loadEditorEntries(FileSystem& files, const std::string& path);

// How many of the entries are ticked.
std::size_t tickedCount(const std::vector<EditorEntry>& entries);

// Adds a ticked entry for the file at sjisPath (makeFileEntryText), unless an entry already
// holds that very path: then the first such entry is ticked, where none of them is. False when
// the entries stay as they were.
bool addFileEntry(std::vector<EditorEntry>& entries, std::string_view sjisPath);

// The file bytes OK writes: "1" or "0", the item's text, CR LF, for every item.
std::string watchListBytes(const std::vector<EditorEntry>& entries);

// Replaces the file in one step. Throws FileError CannotCreateWatchList when it fails; the old
// file is then whole.
void saveWatchList(FileSystem& files, const std::string& path,
                   const std::vector<EditorEntry>& entries);

}  // namespace morvane
