#pragma once

// A temporary folder laid out as the program's own: a "Filelst.txt" whose enabled entries name
// real files in folders below it, with Japanese names and paths among them. Removed with the
// object.

#include <cstdint>
#include <string>
#include <vector>

#include "Platform.h"

namespace morvane::bench {

class WatchedFolder {
public:
    WatchedFolder(const TextCodec& codec, int files);
    ~WatchedFolder();
    WatchedFolder(const WatchedFolder&) = delete;
    WatchedFolder& operator=(const WatchedFolder&) = delete;

    // The folder as the main window takes it: native, with a trailing "/".
    std::string appDir() const { return root_ + "/"; }
    // Writes a file of the folder, e.g. "Morvane.ini"; returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    // Puts a copy of the program file into the folder; returns the copy's path.
    std::string copyProgram(const std::string& program) const;
    // Appends a byte to the watched file: a new size and a new last-write time.
    void change(int index) const;
    int fileCount() const { return static_cast<int>(files_.size()); }

private:
    std::string root_;
    std::vector<std::string> files_;
};

// The resident memory of this process in KiB (VmRSS), or -1.
std::int64_t residentKiB();

}  // namespace morvane::bench
