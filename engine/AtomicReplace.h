#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Replaces a file's content in one step: writes a new file beside it, flushes it to disk and
// renames it over the old one, so a crash, a full disk or a failed write leaves the old file
// whole. A path that is a symbolic link stays a link: the file it points to is replaced.
// Returns false when the file could not be written; nothing has changed then. Native path.
bool replaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace morvane
