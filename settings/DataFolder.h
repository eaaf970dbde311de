#pragma once

// The folder that holds "Morvane.ini" and "Filelst.txt": the program's own folder when its user
// may write there (the portable layout), else the user's configuration folder.

#include <functional>
#include <string>

namespace morvane {

// Where the folders are. Native paths; each is "" when not known.
struct DataFolderPlaces {
    std::string programDir;  // with a trailing "/"
    std::string configHome;  // $XDG_CONFIG_HOME
    std::string home;        // the user's home folder
};

enum class DataFolderFailure {
    None,
    NoHome,           // neither an absolute $XDG_CONFIG_HOME nor an absolute home folder
    CannotUseFolder,  // the configuration folder cannot be made or written
    CannotCopyFile,   // a file of the program's folder could not be copied into it
};

struct DataFolder {
    std::string path;  // with a trailing "/"; "" after a failure
    DataFolderFailure failure = DataFolderFailure::None;
    std::string failedPath;  // the folder or file the failure is about
};

// Whether the user may create and replace files in a folder.
using WritableTest = std::function<bool(const std::string& folder)>;

// Asks the kernel, with the process's effective ids (a read-only mount counts as not writable).
bool isWritableFolder(const std::string& folder);

// The places of the running process: $XDG_CONFIG_HOME, and $HOME or else the home folder of
// the user's account.
DataFolderPlaces placesOfThisProcess(const std::string& programDir);

// Decides the data folder. A writable program folder is used as it is. Otherwise the folder is
// "$XDG_CONFIG_HOME/morvane/" (relative values are ignored, as the XDG rules say), by default
// "$HOME/.config/morvane/"; it and any missing parents are made with mode 0700, and each of the
// two files it lacks is copied from the program's folder when that has one. Nothing is ever
// written into the program's folder, and a file already in the data folder is never replaced.
DataFolder chooseDataFolder(const DataFolderPlaces& places,
                            const WritableTest& writable = isWritableFolder);

enum class CopyOutcome { Copied, TargetExists, NoSource, Failed };

// Copies a file to a name nothing uses yet, in one step: the copy appears whole or not at all,
// and whatever is at `to` (a file, a link) is left alone. NoSource when `from` does not exist.
CopyOutcome copyToNewFile(const std::string& from, const std::string& to);

}  // namespace morvane
