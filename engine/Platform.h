#pragma once

// The services the engine and the settings need from the operating system. Each is a small
// interface so that tests can put a fake in its place; SystemPlatform (SystemPlatform.h) holds
// the real ones. The codec and the collator are single-threaded: each keeps work buffers between
// calls, so only one thread may use them. The file system keeps nothing between calls: the
// lookups of a check run on several threads at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// A calendar date and time on the local clock.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

bool operator==(const LocalDateTime& a, const LocalDateTime& b);

// What a successful lookup of a watched file tells: its size and last-write time.
struct FileFacts {
    std::int64_t size = 0;
    LocalDateTime modified;
};

enum class ReadStatus { Ok, Missing, Failed };

// A file kept open to be read in pieces. It goes on reading the file it opened after its path
// names another (a rotation), and reads may run on several threads at once.
class OpenedFile {
public:
    virtual ~OpenedFile() = default;
    // The file's size now; -1 when it cannot be told.
    virtual std::int64_t size() const = 0;
    // Reads up to count bytes from offset into bytes, fewer where the file ends first. False
    // when the read failed.
    virtual bool readAt(std::int64_t offset, std::size_t count, std::string& bytes) const = 0;
};

// Paths given to the file system are native paths (UTF-8 on Linux). The engine converts the
// Shift-JIS paths of the watch list at this edge and nowhere else.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Looks a watched file up. Fails (nullopt) for a missing path, a directory, anything that is
    // not a regular file, and a hidden file. Follows symbolic links.
    virtual std::optional<FileFacts> lookUp(const std::string& path) const = 0;

    // True when the path names a regular file, whatever its attributes: a directory, a device or
    // a FIFO does not count, so nobody opens one that stands in the watch list.
    virtual bool isFile(const std::string& path) const = 0;

    // Reads the whole file into bytes. Missing when there is no file at the path; Failed when
    // it exists but cannot be read, is not a regular file, or is larger than maxBytes.
    virtual ReadStatus readAll(const std::string& path, std::string& bytes,
                               std::size_t maxBytes) const = 0;

    // Opens a regular file to read it in pieces. Missing when there is no file at the path (or
    // a folder is); Failed when it exists but cannot be opened or is no regular file.
    virtual ReadStatus openForReading(const std::string& path,
                                      std::unique_ptr<OpenedFile>& file) const = 0;

    // Replaces the file's content in one step: a new file beside it, flushed, then renamed over
    // the old one, so a failure leaves the old file whole. A symbolic link stays a link and the
    // file it points to is replaced. Returns false when the file could not be written.
    virtual bool replaceAll(const std::string& path, std::string_view bytes) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() = 0;
};

// Conversion between the program's Shift-JIS text (Windows code page 932) and UTF-8.
class TextCodec {
public:
    virtual ~TextCodec() = default;
    // Returns false when the bytes are not valid Shift-JIS; utf8 then holds the text with
    // U+FFFD in place of what could not be converted.
    virtual bool toUtf8(std::string_view sjis, std::string& utf8) const = 0;
    // Returns false when a character has no Shift-JIS form; nothing useful is in sjis then.
    virtual bool fromUtf8(std::string_view utf8, std::string& sjis) const = 0;
};

// The locale's comparison of two Shift-JIS texts: ASCII case ignored, width, kana type and
// symbols counted, space first. Never reports two different byte strings as equal.
class Collator {
public:
    virtual ~Collator() = default;
    virtual int compare(std::string_view a, std::string_view b) const = 0;
    // A byte string whose plain byte order (memcmp, shorter first) is the order of compare().
    virtual std::string sortKey(std::string_view sjis) const = 0;
    // The ascending order of compare() of the texts: their indices, first to last. The default
    // sorts by sortKey(); an implementation may do better by preparing every text once.
    virtual std::vector<std::size_t> ascendingOrder(const std::vector<std::string>& texts) const;
    // Puts texts into the ascending order of compare().
    void sortAscending(std::vector<std::string>& texts) const;
};

// What the engine is given of the platform. The owner keeps the services alive.
struct Platform {
    FileSystem& files;
    Clock& clock;
    const TextCodec& codec;
    const Collator& collator;
};

}  // namespace morvane
