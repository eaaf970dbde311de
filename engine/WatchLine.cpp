#include "WatchLine.h"

#include <algorithm>

#include "ShiftJis.h"

namespace morvane {

EntryFields splitEntryText(std::string_view text) {
    const std::size_t split = std::min(text.size(), NameFieldWidth);
    return {text.substr(0, split), text.substr(split)};
}

WatchLine parseWatchLine(std::string_view line) {
    WatchLine parsed;
    if (line.empty()) return parsed;
    parsed.watched = line.front() == WatchedFlag;
    parsed.text = line.substr(1);
    parsed.fields = splitEntryText(parsed.text);
    return parsed;
}

std::string makeEntryText(std::string_view name, std::string_view path) {
    std::string text = padOrCut(name, NameFieldWidth);
    text += path;
    return text;
}

std::string makeFileEntryText(std::string_view path) {
    // No Shift-JIS double-byte character has "/" as its second byte.
    const std::size_t slash = path.rfind('/');
    return makeEntryText(slash == std::string_view::npos ? path : path.substr(slash + 1), path);
}

std::string makeWatchLine(std::string_view name, std::string_view path, bool watched) {
    std::string line(1, watchFlag(watched));
    line += makeEntryText(name, path);
    return line;
}

}  // namespace morvane
