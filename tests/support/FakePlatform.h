#pragma once

// In-memory stand-ins for the file system and the clock, and helpers for the tests that use them.

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "FileError.h"
#include "Platform.h"
#include "RealPlatform.h"
#include "ShiftJis.h"

namespace morvane::testing {

struct FakeFile {
    enum Kind { Regular, Directory, Hidden, Unreadable, LookupThrows };
    Kind kind = Regular;
    std::string bytes;
    LocalDateTime modified{2024, 3, 1, 12, 0, 0};
    std::int64_t size = -1;  // -1: the size of bytes
};

// Lookups may run on several threads at once; lookups of a held path wait until it is
// released. Change `files` only while no lookup runs, or while the lookups that run are held.
class FakeFileSystem : public FileSystem {
public:
    std::map<std::string, FakeFile> files;
    bool failWrites = false;
    mutable int lookUps = 0;  // of every path
    int writes = 0;

    FakeFile& put(const std::string& path, std::string bytes = {},
                  LocalDateTime modified = {2024, 3, 1, 12, 0, 0}) {
        FakeFile& f = files[path];
        f = FakeFile{};
        f.bytes = std::move(bytes);
        f.modified = modified;
        return f;
    }

    std::optional<FileFacts> lookUp(const std::string& path) const override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++lookUps;
        ++lookUps_[path];
        ++running_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return held_.count(path) == 0; });
        const auto it = files.find(path);
        --running_;
        changed_.notify_all();
        if (it != files.end() && it->second.kind == FakeFile::LookupThrows)
            throw std::runtime_error("lookup failed");
        std::optional<FileFacts> facts;
        if (it != files.end() && it->second.kind != FakeFile::Directory &&
            it->second.kind != FakeFile::Hidden) {
            const FakeFile& f = it->second;
            facts = FileFacts{f.size >= 0 ? f.size : std::int64_t(f.bytes.size()), f.modified};
        }
        return facts;
    }

    void hold(const std::string& path) {
        const std::lock_guard<std::mutex> lock(mutex_);
        held_.insert(path);
    }
    void release(const std::string& path) {
        const std::lock_guard<std::mutex> lock(mutex_);
        held_.erase(path);
        changed_.notify_all();
    }
    // Waits until `count` lookups of the path have begun.
    void awaitLookUp(const std::string& path, int count = 1) const {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
            const auto it = lookUps_.find(path);
            return it != lookUps_.end() && it->second >= count;
        });
    }
    // Waits until no lookup or read runs.
    void awaitNoLookUp() const {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return running_ == 0; });
    }
    int lookUpsOf(const std::string& path) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = lookUps_.find(path);
        return it == lookUps_.end() ? 0 : it->second;
    }

    int readsOf(const std::string& path) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = reads_.find(path);
        return it == reads_.end() ? 0 : it->second;
    }

    bool isFile(const std::string& path) const override {
        const auto it = files.find(path);
        return it != files.end() && it->second.kind != FakeFile::Directory;
    }

    ReadStatus readAll(const std::string& path, std::string& bytes,
                       std::size_t maxBytes) const override {
        waitWhileHeld(path);
        const auto it = files.find(path);
        if (it == files.end()) return ReadStatus::Missing;
        if (it->second.kind == FakeFile::Directory) return ReadStatus::Missing;
        if (it->second.kind == FakeFile::Unreadable || it->second.bytes.size() > maxBytes)
            return ReadStatus::Failed;
        bytes = it->second.bytes;
        return ReadStatus::Ok;
    }

    // Reads the bytes the path held when it was opened, as a file kept open goes on reading
    // the file it opened after its path names another; reads of held paths wait as for
    // readAll.
    ReadStatus openForReading(const std::string& path,
                              std::unique_ptr<OpenedFile>& file) const override {
        waitWhileHeld(path);
        const auto it = files.find(path);
        if (it == files.end() || it->second.kind == FakeFile::Directory) return ReadStatus::Missing;
        if (it->second.kind == FakeFile::Unreadable) return ReadStatus::Failed;
        file = std::make_unique<Opened>(*this, path, it->second.bytes);
        return ReadStatus::Ok;
    }

    bool replaceAll(const std::string& path, std::string_view bytes) override {
        if (failWrites) return false;
        ++writes;
        FakeFile& f = files[path];
        f.kind = FakeFile::Regular;
        f.bytes.assign(bytes);
        return true;
    }

private:
    class Opened : public OpenedFile {
    public:
        Opened(const FakeFileSystem& files, std::string path, std::string bytes)
            : files_(files), path_(std::move(path)), bytes_(std::move(bytes)) {}
        std::int64_t size() const override { return std::int64_t(bytes_.size()); }
        bool readAt(std::int64_t offset, std::size_t count, std::string& bytes) const override {
            files_.waitWhileHeld(path_);
            bytes.assign(bytes_, std::min(bytes_.size(), std::size_t(offset)), count);
            return true;
        }

    private:
        const FakeFileSystem& files_;
        const std::string path_;
        const std::string bytes_;
    };

    void waitWhileHeld(const std::string& path) const {
        std::unique_lock<std::mutex> lock(mutex_);
        ++reads_[path];
        ++running_;
        changed_.wait(lock, [&] { return held_.count(path) == 0; });
        --running_;
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;  // a lookup began or ended, or a path released
    std::set<std::string> held_;
    mutable std::map<std::string, int> lookUps_;
    mutable std::map<std::string, int> reads_;
    mutable int running_ = 0;
};

class FakeClock : public Clock {
public:
    LocalDateTime time{2024, 3, 2, 9, 5, 7};
    // Times the next calls of now() return, one per call; after them, the last one stays.
    std::deque<LocalDateTime> upcoming;

    LocalDateTime now() override {
        if (!upcoming.empty()) {
            time = upcoming.front();
            upcoming.pop_front();
        }
        return time;
    }
    void set(LocalDateTime t) { time = t; }
};

// Fake files and a fake clock with the real codec and collator.
struct FakePlatform {
    FakeFileSystem files;
    FakeClock clock;
    Platform platform{files, clock, realPlatform().codec(), realPlatform().collator()};
};

using Failure = std::pair<FileError::Kind, std::string>;

// What the FileError that run throws names, or nullopt when it throws none.
template <class Run>
std::optional<Failure> failureOf(Run&& run) {
    try {
        run();
    } catch (const FileError& error) {
        return Failure{error.kind(), error.path()};
    }
    return std::nullopt;
}

}  // namespace morvane::testing
