#pragma once

// A watched file read in pieces for the content view, never held whole: its line index grows
// on work of its own, and the lines in view, a find or a copied range are read on demand. The
// owner's thread (the window's) never waits for the file: every answer comes back through the
// owner's post, and facts() only reads what the work has published.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ContentLoad.h"
#include "LineIndex.h"
#include "PathWork.h"
#include "Platform.h"

namespace morvane {

// One line as read: its bytes without their line end (at most MaxLineBytes of them).
struct LineSpan {
    std::int64_t start = 0;
    std::int64_t next = 0;  // where the line after it starts: past this line's end
    std::string bytes;
};

struct LineBatch {
    std::uint64_t version = 0;    // the version of the text the lines are of (Facts::version)
    std::int64_t firstLine = -1;  // the first line's number; -1 where the index is not there yet
    std::vector<LineSpan> lines;
};

enum class LineAnchor {
    Line,    // the line of that number
    Offset,  // the line that holds that byte
    End,     // the last line
};

class LogReader : public std::enable_shared_from_this<LogReader> {
public:
    // Runs a delivery on the owner's thread, later, or never once the owner has gone.
    using Post = std::function<void(std::function<void()> delivery)>;

    // The bytes read at a time.
    static constexpr std::size_t PieceBytes = 1024 * 1024;
    // A longer line shows only its start.
    static constexpr std::size_t MaxLineBytes = 128 * 1024;

    struct Change {
        enum Kind {
            Indexed,  // the index grew over bytes the text had
            Grew,     // bytes were added at the end, from `from` on
            Renewed,  // the file was replaced or cut: its text is read anew
        };
        Kind kind = Indexed;
        std::int64_t from = 0;
    };

    struct Facts {
        TextEncoding encoding = TextEncoding::Utf8;
        std::int64_t textEnd = 0;    // the file's size, or where a NUL ends its text
        std::int64_t lineCount = 0;  // of the bytes indexed
        bool indexWhole = false;     // the index reaches textEnd
        std::uint64_t version = 0;   // changes when the text is read anew
        std::size_t indexBytes = 0;
    };

    using Opened = std::function<void(ContentLoad::Status status, std::shared_ptr<LogReader>)>;

    // Opens the file at the native path (without its trailing blanks where only that names a
    // file) on work of its own, reads its start and tells the status once: NoFile where no
    // regular file is there, Failed where it cannot be read. Loaded comes with the reader,
    // whose index then goes on growing until the file's end or close().
    static void open(std::shared_ptr<const FileSystem> files, const std::string& nativePath,
                     StartThread startThread, Post post, Opened done);

    LogReader(std::shared_ptr<const FileSystem> files, std::string path, StartThread startThread,
              Post post);

    const std::string& path() const { return path_; }
    // Told of each change of the text, on the owner's thread.
    void setListener(std::function<void(const Change&)> listener);
    // Ends the work on the file: nothing more is read or told.
    void close();
    Facts facts() const;

    // Reads the anchored line, with up to `before` lines before it and `after` - 1 after it.
    void fetch(LineAnchor anchor, std::int64_t at, int before, int after,
               std::function<void(LineBatch)> done);
    // The first place of the needle from `from` on (backward: the last before it), going round
    // from the other end; -1 where it is nowhere. Letters A to Z match either case.
    void find(std::string needle, std::int64_t from, bool backward,
              std::function<void(std::int64_t found)> done);
    // The bytes from `from` to `to`; nullopt where they could not be read.
    void readRange(std::int64_t from, std::int64_t to,
                   std::function<void(std::optional<std::string>)> done);
    // The file may have changed: where it grew with its old bytes in place, reads what is new;
    // where it was cut or replaced, reads it anew. Tells a file no longer there or unreadable
    // by `done` and changes nothing.
    void refresh(std::function<void(ContentLoad::Status)> done);

private:
    struct Snapshot;
    void start(std::function<void()> work);
    void tell(Change change);
    // Reads and indexes up to the file's end; runs while indexing_ is set, which it clears.
    void indexToEnd();
    void renew(std::shared_ptr<OpenedFile> file, std::int64_t size, std::string start);
    // Takes the file with its first bytes as the text to index from its start. Under mutex_.
    void takeStart(std::shared_ptr<OpenedFile> file, std::int64_t size, std::string start);
    // The file's size, or where a NUL ends its text. Under mutex_.
    std::int64_t textEnd() const {
        return index_.endedAtNul() ? index_.scanned() : std::max(size_, index_.scanned());
    }
    void refreshNow(const std::function<void(ContentLoad::Status)>& done);

    const std::shared_ptr<const FileSystem> files_;
    const std::string path_;
    // Every job of the reader runs through it; a job may wait for the file as long as it takes.
    const StartThread startThread_;
    const Post post_;
    std::function<void(const Change&)> listener_;  // the owner's thread only
    std::atomic<bool> closed_{false};

    mutable std::mutex mutex_;  // guards what follows; never held while the file is read
    std::shared_ptr<OpenedFile> file_;
    LineIndex index_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    std::string sample_;  // the start of the text the encoding is chosen from
    std::string tail_;    // the last bytes indexed, to tell the old text is still in place
    std::int64_t size_ = 0;
    std::uint64_t version_ = 0;
    bool indexing_ = false;
    bool indexAgain_ = false;             // the file grew while indexing ran
    std::optional<std::int64_t> grewAt_;  // the end before the file grew, to tell once indexed
};

}  // namespace morvane
