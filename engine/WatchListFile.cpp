#include "WatchListFile.h"

#include <algorithm>

#include "FileError.h"
#include "WatchLine.h"

namespace morvane {

namespace {

// The file's bytes, or false when there is no file. Throws when it exists but cannot be read.
bool readWatchListFile(FileSystem& files, const std::string& path, std::string& bytes) {
    switch (files.readAll(path, bytes, MaxWatchListBytes)) {
        case ReadStatus::Ok:
            return true;
        case ReadStatus::Missing:
            return false;
        case ReadStatus::Failed:
            break;
    }
    throw FileError(FileError::CannotOpenWatchList, path);
}

}  // namespace

std::vector<std::string> splitLines(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

bool loadWatchList(FileSystem& files, const std::string& path, WatchList& list) {
    std::string bytes;
    if (!readWatchListFile(files, path, bytes)) return false;
    WatchList enabled;
    for (std::string& line : splitLines(bytes)) {
        if (enabled.size() == MaxWatched) break;
        if (parseWatchLine(line).watched) enabled.push_back(std::move(line));
    }
    list = std::move(enabled);
    return true;
}

std::vector<EditorEntry> loadEditorEntries(FileSystem& files, const std::string& path) {
    std::string bytes;
    std::vector<EditorEntry> entries;
    if (!readWatchListFile(files, path, bytes)) return entries;
    const std::vector<std::string> lines = splitLines(bytes);
    entries.reserve(lines.size());
    for (const std::string& line : lines) {
        const WatchLine parsed = parseWatchLine(line);
        entries.push_back({std::string(parsed.text), parsed.watched});
    }
    return entries;
}

std::size_t tickedCount(const std::vector<EditorEntry>& entries) {
    return std::size_t(std::count_if(entries.begin(), entries.end(),
                                     [](const EditorEntry& e) { return e.ticked; }));
}

bool addFileEntry(std::vector<EditorEntry>& entries, std::string_view sjisPath) {
    EditorEntry* untickedSame = nullptr;
    for (EditorEntry& entry : entries) {
        if (splitEntryText(entry.text).path != sjisPath) continue;
        if (entry.ticked) return false;
        if (!untickedSame) untickedSame = &entry;
    }
    if (untickedSame) {
        untickedSame->ticked = true;
        return true;
    }
    entries.push_back({makeFileEntryText(sjisPath), true});
    return true;
}

std::string watchListBytes(const std::vector<EditorEntry>& entries) {
    std::string bytes;
    for (const EditorEntry& entry : entries) {
        bytes += watchFlag(entry.ticked);
        bytes += entry.text;
        bytes += "\r\n";
    }
    return bytes;
}

void saveWatchList(FileSystem& files, const std::string& path,
                   const std::vector<EditorEntry>& entries) {
    if (!files.replaceAll(path, watchListBytes(entries)))
        throw FileError(FileError::CannotCreateWatchList, path);
}

}  // namespace morvane
