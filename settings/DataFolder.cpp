#include "DataFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "Settings.h"
#include "WatchListFile.h"

namespace morvane {

namespace {

constexpr mode_t PrivateFolderMode = 0700;

bool isAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string withoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

bool isFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes the folder and each missing parent, each private to the user whatever the umask.
bool makeFolders(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && !isFolder(part)) {
            if (::mkdir(part.c_str(), PrivateFolderMode) == 0) {
                if (::chmod(part.c_str(), PrivateFolderMode) != 0) return false;
            } else if (errno != EEXIST || !isFolder(part)) {
                return false;
            }
        }
        if (end == std::string::npos) return true;
    }
}

DataFolder failed(DataFolderFailure failure, const std::string& path) {
    DataFolder data;
    data.failure = failure;
    data.failedPath = path;
    return data;
}

bool copyBytes(int from, int to) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return false;
            done += put;
        }
    }
}

bool syncFully(int fd) {
    while (::fsync(fd) != 0)
        if (errno != EINTR) return false;
    return true;
}

}  // namespace

bool isWritableFolder(const std::string& folder) {
    return !folder.empty() && ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

DataFolderPlaces placesOfThisProcess(const std::string& programDir) {
    DataFolderPlaces places;
    places.programDir = programDir;
    if (const char* config = std::getenv("XDG_CONFIG_HOME")) places.configHome = config;
    if (const char* home = std::getenv("HOME")) places.home = home;
    if (places.home.empty()) {
        std::vector<char> buffer(16 * 1024);
        passwd entry;
        passwd* found = nullptr;
        if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir)
            places.home = found->pw_dir;
    }
    return places;
}

DataFolder chooseDataFolder(const DataFolderPlaces& places, const WritableTest& writable) {
    if (writable(places.programDir)) return {places.programDir, DataFolderFailure::None, ""};

    std::string base;
    if (isAbsolute(places.configHome))
        base = withoutTrailingSlashes(places.configHome);
    else if (isAbsolute(places.home))
        base = withoutTrailingSlashes(places.home) + "/.config";
    else
        return failed(DataFolderFailure::NoHome, "");

    const std::string folder = base + "/morvane/";
    if (!makeFolders(withoutTrailingSlashes(folder)) || !writable(folder))
        return failed(DataFolderFailure::CannotUseFolder, folder);
    for (const char* name : {SettingsFileName, WatchListFileName}) {
        if (copyToNewFile(places.programDir + name, folder + name) == CopyOutcome::Failed)
            return failed(DataFolderFailure::CannotCopyFile, folder + name);
    }
    return {folder, DataFolderFailure::None, ""};
}

CopyOutcome copyToNewFile(const std::string& from, const std::string& to) {
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return CopyOutcome::TargetExists;

    const int source = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (source < 0)
        return errno == ENOENT || errno == ENOTDIR ? CopyOutcome::NoSource : CopyOutcome::Failed;
    const bool known = ::fstat(source, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        ::close(source);
        // A folder of that name is no file to copy; a device or a pipe is refused.
        return known && S_ISDIR(st.st_mode) ? CopyOutcome::NoSource : CopyOutcome::Failed;
    }

    // The copy is filled under a hidden name and then linked to its own: link() never replaces
    // an existing name, and a crash leaves at most the hidden file behind.
    const std::size_t slash = to.rfind('/');
    std::string temporary = to.substr(0, slash + 1) + "." + to.substr(slash + 1) + ".XXXXXX";
    const int target = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (target < 0) {
        ::close(source);
        return CopyOutcome::Failed;
    }
    const bool filled = copyBytes(source, target) && syncFully(target);
    ::close(source);
    const bool closed = ::close(target) == 0;
    const bool linked = filled && closed && ::link(temporary.c_str(), to.c_str()) == 0;
    const int linkError = errno;
    ::unlink(temporary.c_str());
    if (linked) return CopyOutcome::Copied;
    return filled && closed && linkError == EEXIST ? CopyOutcome::TargetExists
                                                   : CopyOutcome::Failed;
}

}  // namespace morvane
