#pragma once

// Shift-JIS paths as the watch list holds them: "/" separates the parts, and a second byte of a
// double-byte character that looks like one does not.

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

inline bool isSeparator(char c) {
    return c == '/';
}

// Where the last part begins: after the last separator that is not the second byte of a
// double-byte character; 0 when there is none.
std::size_t lastPartStart(std::string_view path);

// The directory with its trailing separator, and the last part.
inline std::string_view directoryPart(std::string_view path) {
    return path.substr(0, lastPartStart(path));
}
inline std::string_view lastPart(std::string_view path) {
    return path.substr(lastPartStart(path));
}

// The text without the spaces that fill a field.
std::string_view withoutFillingSpaces(std::string_view text);

// The text without trailing blanks: spaces, and control bytes too.
std::string_view withoutTrailingBlanks(std::string_view text);

// The path a file is looked up at: the directory and the name without the spaces that fill it.
std::string joinPath(std::string_view directory, std::string_view name);

}  // namespace morvane
