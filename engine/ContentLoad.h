#pragma once

// Loading a watched file's text for the content view.

#include <cstddef>
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

// Loads the file at a Shift-JIS path. NoFile when no file (or a directory) is at the path;
// Failed when it exists but cannot be read, is not a regular file or is too large. The text
// ends at a NUL byte; valid UTF-8 is shown as UTF-8, anything else as Shift-JIS.
ContentLoad loadContent(Platform& platform, std::string_view sjisPath);

}  // namespace morvane
