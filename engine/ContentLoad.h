#pragma once

// Loading a watched file's text for the content view.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Platform.h"

namespace morvane {

// Files larger than this are not shown: the load fails.
inline constexpr std::size_t MaxContentBytes = 8 * 1024 * 1024;

// True for strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isStrictUtf8(std::string_view text);

struct ContentLoad {
    enum Status { Loaded, NoFile, Failed };
    Status status = NoFile;
    std::string utf8;  // the text to show, when Loaded
};

// What reading a watched file gave: its status and, when Loaded, its bytes.
struct ContentRead {
    ContentLoad::Status status = ContentLoad::NoFile;
    std::string bytes;
};

// Reads the file at a native path, or where there is none there, at the path without its
// trailing blanks (the watch list may keep blanks after a path). Uses the file system alone, so
// it may run on any thread. NoFile and Failed as loadContent gives them.
ContentRead readContent(const FileSystem& files, const std::string& nativePath);

// The text to show of what was read, as loadContent gives it: the status passed on, the text
// from the bytes when Loaded.
ContentLoad decodeContent(const TextCodec& codec, const ContentRead& read);
// The same where no codec is needed: for what was not Loaded, and for strict UTF-8; nullopt
// for Shift-JIS bytes. Keeps nothing between calls, so it may run on any thread.
std::optional<ContentLoad> decodeUtf8Content(const ContentRead& read);

// Loads the file at a Shift-JIS path: readContent, then decodeContent. NoFile when no regular
// file is at the path (a directory, a device or a FIFO is never opened); Failed when it exists
// but cannot be read or is too large. The text ends at a NUL byte; valid UTF-8 is shown as UTF-8,
// anything else as Shift-JIS.
ContentLoad loadContent(Platform& platform, std::string_view sjisPath);

}  // namespace morvane
