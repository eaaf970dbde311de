#pragma once

// The real file system and clock of a POSIX system.

#include <memory>
#include <string>

#include "Platform.h"

namespace morvane {

std::unique_ptr<FileSystem> makePosixFileSystem();
std::unique_ptr<Clock> makeLocalClock();

// The directory of the running program file (symbolic links resolved), with a trailing "/".
// Native path.
std::string programDirectory();

}  // namespace morvane
