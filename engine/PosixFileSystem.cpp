#include "PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>

#include "AtomicReplace.h"

namespace morvane {

namespace {

bool hasNul(const std::string& path) {
    return path.find('\0') != std::string::npos;
}

// A file whose own name begins with "." is hidden, as the hidden attribute hides it on Windows.
bool isHiddenName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return start < path.size() && path[start] == '.';
}

LocalDateTime localTimeOf(std::time_t time) {
    std::tm parts{};
    if (!::localtime_r(&time, &parts)) return {};  // no calendar time: the caller shows none
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

class PosixOpenedFile : public OpenedFile {
public:
    explicit PosixOpenedFile(int fd) : fd_(fd) {}
    ~PosixOpenedFile() override { ::close(fd_); }
    PosixOpenedFile(const PosixOpenedFile&) = delete;
    PosixOpenedFile& operator=(const PosixOpenedFile&) = delete;

    std::int64_t size() const override {
        struct stat st;
        return ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
    }

    bool readAt(std::int64_t offset, std::size_t count, std::string& bytes) const override {
        bytes.resize(count);
        std::size_t filled = 0;
        while (filled < count) {
            const ssize_t got = ::pread(fd_, bytes.data() + filled, count - filled,
                                        static_cast<off_t>(offset) + static_cast<off_t>(filled));
            if (got < 0) {
                if (errno == EINTR) continue;
                bytes.clear();
                return false;
            }
            if (got == 0) break;
            filled += static_cast<std::size_t>(got);
        }
        bytes.resize(filled);
        return true;
    }

private:
    const int fd_;
};

class PosixFileSystem : public FileSystem {
public:
    std::optional<FileFacts> lookUp(const std::string& path) const override {
        if (path.empty() || hasNul(path) || isHiddenName(path)) return std::nullopt;
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
        return FileFacts{static_cast<std::int64_t>(st.st_size), localTimeOf(st.st_mtime)};
    }

    bool isFile(const std::string& path) const override {
        struct stat st;
        return !path.empty() && !hasNul(path) && ::stat(path.c_str(), &st) == 0 &&
               S_ISREG(st.st_mode);
    }

    ReadStatus readAll(const std::string& path, std::string& bytes,
                       std::size_t maxBytes) const override {
        if (path.empty() || hasNul(path)) return ReadStatus::Missing;
        // O_NONBLOCK: opening a FIFO must not wait for a writer. It changes nothing for a
        // regular file, and anything else is refused below.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
        const ReadStatus status = readOpen(fd, bytes, maxBytes);
        ::close(fd);
        return status;
    }

    ReadStatus openForReading(const std::string& path,
                              std::unique_ptr<OpenedFile>& file) const override {
        if (path.empty() || hasNul(path)) return ReadStatus::Missing;
        // O_NONBLOCK as for readAll: a FIFO is refused below, not waited for.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
        struct stat st;
        const bool known = ::fstat(fd, &st) == 0;
        if (!known || !S_ISREG(st.st_mode)) {
            const bool folder = known && S_ISDIR(st.st_mode);
            ::close(fd);
            return folder ? ReadStatus::Missing : ReadStatus::Failed;
        }
        file = std::make_unique<PosixOpenedFile>(fd);
        return ReadStatus::Ok;
    }

    bool replaceAll(const std::string& path, std::string_view bytes) override {
        return !hasNul(path) && replaceFileAtomically(path, bytes);
    }

private:
    static ReadStatus readOpen(int fd, std::string& bytes, std::size_t maxBytes) {
        // Leaves room for the one byte read past the limit.
        maxBytes = std::min(maxBytes, std::numeric_limits<std::size_t>::max() / 2);
        struct stat st;
        if (::fstat(fd, &st) != 0) return ReadStatus::Failed;
        if (S_ISDIR(st.st_mode)) return ReadStatus::Missing;
        if (!S_ISREG(st.st_mode)) return ReadStatus::Failed;
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return ReadStatus::Failed;
        std::string content;
        // One byte more than the limit, to see a file that grew past it while being read.
        content.resize(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), maxBytes) + 1);
        std::size_t filled = 0;
        for (;;) {
            if (filled == content.size()) {
                if (content.size() > maxBytes) return ReadStatus::Failed;
                content.resize(std::min(content.size() * 2, maxBytes + 1));
            }
            const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
            if (got < 0) {
                if (errno == EINTR) continue;
                return ReadStatus::Failed;
            }
            if (got == 0) break;
            filled += static_cast<std::size_t>(got);
        }
        if (filled > maxBytes) return ReadStatus::Failed;
        content.resize(filled);
        bytes = std::move(content);
        return ReadStatus::Ok;
    }
};

class LocalClock : public Clock {
public:
    LocalDateTime now() override { return localTimeOf(std::time(nullptr)); }
};

}  // namespace

std::unique_ptr<FileSystem> makePosixFileSystem() {
    return std::make_unique<PosixFileSystem>();
}

std::unique_ptr<Clock> makeLocalClock() {
    return std::make_unique<LocalClock>();
}

std::string programDirectory() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return "./";
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace morvane
