#pragma once

#include <stdexcept>
#include <string>

namespace morvane {

// A file the program needs could not be read or written: what failed and the file's native
// path. The window words it for the user.
class FileError : public std::runtime_error {
public:
    enum Kind { CannotOpenWatchList, CannotCreateWatchList, CannotWriteSettings };

    FileError(Kind kind, const std::string& path);

    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }

private:
    Kind kind_;
    std::string path_;
};

}  // namespace morvane
