#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Replaces a file's content in one step: writes a new file beside it, flushes it to disk and
// renames it over the old one, so a crash, a full disk or a failed write leaves the old file
// whole. A path that is a symbolic link stays a link: the file it points to is replaced.
// Returns false when the file could not be written; nothing has changed then. Native path.
// Before writing, it removes what earlier interrupted saves of the file left behind
// (removeLeftoverTemporaries).
bool replaceFileAtomically(const std::string& path, std::string_view bytes);

// Removes the temporaries of the file that a save killed half-way left beside it: the regular
// files named ".<name>.<pid>.<counter>.<ticks>" exactly as a save names them (decimal process
// id, hexadecimal counter and ticks) whose process no longer runs, or that this process is not
// writing now. Nothing else is touched. Returns how many were removed. Native path; a symbolic
// link is followed to the file a save replaces.
int removeLeftoverTemporaries(const std::string& path);

}  // namespace morvane
