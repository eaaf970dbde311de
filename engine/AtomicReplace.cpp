#include "AtomicReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <mutex>
#include <set>

namespace morvane {

namespace {

// Links followed before giving up on a loop, as the kernel does.
constexpr int MaxLinkDepth = 40;
constexpr int MaxNameAttempts = 100;

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links from path to the name that is finally replaced. That name need not
// exist yet (a link to a file still to be created). Empty when the chain cannot be followed.
std::string resolveLinks(std::string path) {
    for (int depth = 0; depth < MaxLinkDepth; ++depth) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? path : std::string();
        if (!S_ISLNK(st.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : directoryOf(path) + "/" + target;
    }
    return {};
}

// A name beside the target that nothing else uses: hidden, after the target's own name.
std::string candidateName(const std::string& directory, const std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld.%x.%llx", static_cast<long>(::getpid()),
                  counter.fetch_add(1), static_cast<unsigned long long>(ticks));
    return directory + "/." + name + suffix;
}

// The temporaries this process is filling now, which no clean-up may take away.
std::mutex inFlightMutex;
std::set<std::string> inFlight;

// Marks one temporary as being filled, from before it is created until the save ends.
class InFlight {
public:
    InFlight() = default;
    ~InFlight() { mark({}); }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;

    void mark(const std::string& path) {
        const std::lock_guard<std::mutex> lock(inFlightMutex);
        if (!path_.empty()) inFlight.erase(path_);
        path_ = path;
        if (!path_.empty()) inFlight.insert(path_);
    }

private:
    std::string path_;
};

bool isInFlight(const std::string& path) {
    const std::lock_guard<std::mutex> lock(inFlightMutex);
    return inFlight.count(path) != 0;
}

// Takes a run of at least one digit (hexadecimal when hex, lowercase as printf writes them) up
// to the next "." or the end.
bool takeDigits(std::string_view& rest, bool hex, std::string_view& digits) {
    std::size_t n = 0;
    while (n < rest.size() &&
           ((rest[n] >= '0' && rest[n] <= '9') || (hex && rest[n] >= 'a' && rest[n] <= 'f')))
        ++n;
    if (n == 0) return false;
    digits = rest.substr(0, n);
    rest.remove_prefix(n);
    return true;
}

// The process id in a temporary's name made by candidateName for that target name, or 0 when
// the entry is named any other way.
pid_t temporaryOwner(std::string_view entry, const std::string& name) {
    if (entry.size() < name.size() + 2 || entry[0] != '.' || entry.substr(1, name.size()) != name ||
        entry[name.size() + 1] != '.')
        return 0;
    std::string_view rest = entry.substr(name.size() + 2);
    std::string_view pid, counter, ticks;
    if (!takeDigits(rest, false, pid) || rest.empty() || rest[0] != '.') return 0;
    rest.remove_prefix(1);
    if (!takeDigits(rest, true, counter) || rest.empty() || rest[0] != '.') return 0;
    rest.remove_prefix(1);
    if (!takeDigits(rest, true, ticks) || !rest.empty()) return 0;
    if (pid.size() > 9 || pid[0] == '0') return 0;
    long value = 0;
    for (const char c : pid) value = value * 10 + (c - '0');
    return static_cast<pid_t>(value);
}

// Only a process that is gone is not running; one of another user (EPERM) still is.
bool isRunning(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

bool writeFully(int fd, std::string_view bytes) {
    const char* at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::size_t chunk = left < static_cast<std::size_t>(SSIZE_MAX) ? left : SSIZE_MAX;
        const ssize_t written = ::write(fd, at, chunk);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool syncFully(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Fills the new file and gives it the old one's permissions; fd stays open for the caller.
bool fillTemporary(int fd, std::string_view bytes, const struct stat* old) {
    if (old) {
        if (::fchmod(fd, old->st_mode & 07777) != 0) return false;
        // Only a privileged process can hand the file back to its owner; for any other the
        // failure is expected and the new file stays its own.
        if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
            const int handedBack = ::fchown(fd, old->st_uid, old->st_gid);
            static_cast<void>(handedBack);
        }
    }
    return writeFully(fd, bytes) && syncFully(fd);
}

}  // namespace

int removeLeftoverTemporaries(const std::string& path) {
    if (path.empty()) return 0;
    const std::string target = resolveLinks(path);
    const std::string name = nameOf(target);
    if (name.empty()) return 0;
    const std::string directory = directoryOf(target);
    DIR* folder = ::opendir(directory.c_str());
    if (!folder) return 0;
    const pid_t self = ::getpid();
    int removed = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t owner = temporaryOwner(entry->d_name, name);
        if (owner <= 0) continue;
        if (owner == self ? isInFlight(directory + "/" + entry->d_name) : isRunning(owner))
            continue;
        struct stat st;
        if (::fstatat(::dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(::dirfd(folder), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(folder);
    return removed;
}

bool replaceFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    const std::string target = resolveLinks(path);
    if (target.empty()) return false;
    const std::string directory = directoryOf(target);
    const std::string name = nameOf(target);
    if (name.empty()) return false;
    removeLeftoverTemporaries(target);

    struct stat old;
    bool existed = false;
    if (::stat(target.c_str(), &old) == 0) {
        // Only a regular file is replaced: never a directory, a device or a pipe.
        if (!S_ISREG(old.st_mode)) return false;
        existed = true;
    } else if (errno != ENOENT) {
        return false;
    }

    std::string temporary;
    InFlight filling;
    int fd = -1;
    for (int attempt = 0; attempt < MaxNameAttempts && fd < 0; ++attempt) {
        temporary = candidateName(directory, name);
        filling.mark(temporary);
        // 0666 lets the umask decide the permissions of a file that did not exist before.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    const bool filled = fillTemporary(fd, bytes, existed ? &old : nullptr);
    const bool closed = ::close(fd) == 0;
    if (!filled || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }

    // The new content is in place now; syncing the directory makes the rename itself durable.
    // Some file systems cannot sync a directory, which is no reason to report a failure.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)syncFully(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace morvane
