#include "FileError.h"

namespace morvane {

namespace {

// For logs and debuggers; the user reads the window's own words.
std::string describe(FileError::Kind kind, const std::string& path) {
    switch (kind) {
        case FileError::CannotOpenWatchList:
            return "cannot open the watch list " + path;
        case FileError::CannotCreateWatchList:
            return "cannot create the watch list " + path;
        case FileError::CannotWriteSettings:
            break;
    }
    return "cannot write the settings file " + path;
}

}  // namespace

FileError::FileError(Kind kind, const std::string& path)
    : std::runtime_error(describe(kind, path)), kind_(kind), path_(path) {}

}  // namespace morvane
