#include "LogReader.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "ShiftJis.h"

namespace morvane {

namespace {

// What a follow compares to tell that the text it indexed is still in place.
constexpr std::size_t TailBytes = 4096;
// A line start is looked for this far back where the index has not come yet.
constexpr std::int64_t BackScanLimit = 1024 * 1024;
// The index tells its growth at most this often.
constexpr auto IndexNoticeEvery = std::chrono::milliseconds(100);

// Reads a file's bytes up to `end` through a window of one piece, for scans that go a byte at
// a time in either direction.
class ByteCursor {
public:
    static constexpr std::int64_t WindowBytes = 64 * 1024;

    ByteCursor(const OpenedFile& file, std::int64_t end) : file_(file), end_(end) {}

    std::int64_t end() const { return end_; }
    bool failed() const { return failed_; }

    // The byte at p, or -1 outside the text.
    int at(std::int64_t p) {
        if (p < 0 || p >= end_) return -1;
        if (p < from_ || p >= from_ + std::int64_t(window_.size())) {
            from_ = p - p % WindowBytes;
            const auto count = std::size_t(std::min(WindowBytes, end_ - from_));
            if (!file_.readAt(from_, count, window_)) failed_ = true;
            if (window_.size() < count) end_ = from_ + std::int64_t(window_.size());
            if (p >= end_) return -1;
        }
        return static_cast<unsigned char>(window_[std::size_t(p - from_)]);
    }

    // The position of the first CR or LF at or after p, or end().
    std::int64_t findBreak(std::int64_t p) {
        while (at(p) >= 0) {
            const char* data = window_.data() + (p - from_);
            const std::size_t size = window_.size() - std::size_t(p - from_);
            const void* lf = std::memchr(data, '\n', size);
            const std::size_t lfAt = lf ? std::size_t(static_cast<const char*>(lf) - data) : size;
            const void* cr = std::memchr(data, '\r', lfAt);
            const std::size_t found = cr ? std::size_t(static_cast<const char*>(cr) - data) : lfAt;
            if (found < size) return p + std::int64_t(found);
            p += std::int64_t(size);
        }
        return end_;
    }

    // Where the line after the one whose break begins at q starts.
    std::int64_t afterBreak(std::int64_t q) {
        return at(q) == '\r' && at(q + 1) == '\n' ? q + 2 : q + 1;
    }

    // The start of the line that holds p, looked for back to `limit` at most.
    std::int64_t lineStartBack(std::int64_t p, std::int64_t limit) {
        for (std::int64_t i = p - 1; i >= std::max<std::int64_t>(0, limit); --i) {
            const int c = at(i);
            if (c == '\n' || (c == '\r' && at(i + 1) != '\n')) return i + 1;
        }
        return std::max<std::int64_t>(0, limit);
    }

private:
    const OpenedFile& file_;
    std::int64_t end_;
    std::int64_t from_ = 0;
    std::string window_;
    bool failed_ = false;
};

// A search where the needle's ASCII letters match either case (bytes of a two-byte Shift-JIS
// character never do). It runs memchr over the text for the needle's byte that is rarest in a
// sample of it, both its cases where it is a letter, and compares the needle where it is found.
class NeedleSearch {
public:
    NeedleSearch(std::string needle, TextEncoding encoding) : needle_(std::move(needle)) {
        blind_.assign(needle_.size(), 0);
        for (std::size_t i = 0; i < needle_.size(); ++i) {
            const auto b = static_cast<unsigned char>(needle_[i]);
            if (encoding == TextEncoding::ShiftJis && isLeadByte(b)) {
                ++i;  // the trail byte stays as it is
                continue;
            }
            if (isLetter(b)) {
                blind_[i] = 1;
                needle_[i] = char(lower(b));
            }
        }
    }

    std::size_t size() const { return needle_.size(); }

    // Chooses the byte to look for by how often it stands in the sample.
    void learnFrom(std::string_view sample) {
        std::size_t counts[256] = {};
        for (unsigned char b : sample) ++counts[b];
        std::size_t best = SIZE_MAX;
        for (std::size_t i = 0; i < needle_.size(); ++i) {
            const auto b = static_cast<unsigned char>(needle_[i]);
            const std::size_t count = counts[b] + (blind_[i] ? counts[b - 32] : 0);
            if (count < best) {
                best = count;
                rare_ = i;
            }
        }
    }

    // Every place in text, in order, until `found` returns false.
    template <class Found>
    void each(std::string_view text, Found&& found) const {
        const std::size_t n = needle_.size();
        if (n == 0 || text.size() < n) return;
        const char* data = text.data();
        const char* end = data + (text.size() - (n - 1 - rare_));
        const auto want = static_cast<unsigned char>(needle_[rare_]);
        const char* lowerAt = data + rare_;
        const char* upperAt = blind_[rare_] ? data + rare_ : end;
        const auto next = [&](const char* from, unsigned char b) {
            const void* p = from < end ? std::memchr(from, b, std::size_t(end - from)) : nullptr;
            return p ? static_cast<const char*>(p) : end;
        };
        lowerAt = next(lowerAt, want);
        if (blind_[rare_]) upperAt = next(upperAt, want - 32);
        while (lowerAt < end || upperAt < end) {
            const char* c = std::min(lowerAt, upperAt);
            const std::size_t at = std::size_t(c - data) - rare_;
            if (matchesAt(text, at) && !found(at)) return;
            if (c == lowerAt)
                lowerAt = next(c + 1, want);
            else
                upperAt = next(c + 1, want - 32);
        }
    }

private:
    static bool isLetter(unsigned char b) {
        return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    }
    static unsigned char lower(unsigned char b) { return b >= 'A' && b <= 'Z' ? b + 32 : b; }
    bool matchesAt(std::string_view text, std::size_t at) const {
        for (std::size_t k = 0; k < needle_.size(); ++k) {
            const auto b = static_cast<unsigned char>(text[at + k]);
            if ((blind_[k] ? lower(b) : b) != static_cast<unsigned char>(needle_[k])) return false;
        }
        return true;
    }

    std::string needle_;
    std::vector<unsigned char> blind_;  // 1 where a letter matches either case
    std::size_t rare_ = 0;              // the place of the byte memchr looks for
};

// What a file that could not be opened is to the view.
ContentLoad::Status notOpened(ReadStatus status) {
    return status == ReadStatus::Missing ? ContentLoad::NoFile : ContentLoad::Failed;
}

// Whether `at` begins a character of Shift-JIS text: walked from the line's start, or from
// the start of the bytes where no line starts in them before `at`.
bool startsSjisCharacter(std::string_view bytes, std::size_t at) {
    std::size_t from = at;
    while (from > 0 && bytes[from - 1] != '\n' && bytes[from - 1] != '\r') --from;
    while (from < at) {
        from += isLeadByte(static_cast<unsigned char>(bytes[from])) ? 2 : 1;
    }
    return from == at;
}

}  // namespace

struct LogReader::Snapshot {
    std::shared_ptr<OpenedFile> file;
    std::uint64_t version = 0;
    std::int64_t end = 0;
    std::int64_t scanned = 0;
    std::int64_t lineCount = 0;
    TextEncoding encoding = TextEncoding::Utf8;
};

LogReader::LogReader(std::shared_ptr<const FileSystem> files, std::string path,
                     StartThread startThread, Post post)
    : files_(std::move(files)),
      path_(std::move(path)),
      startThread_(std::move(startThread)),
      post_(std::move(post)) {}

void LogReader::open(std::shared_ptr<const FileSystem> files, const std::string& nativePath,
                     StartThread startThread, Post post, Opened done) {
    auto work = [files, nativePath, startThread, post, done] {
        const auto tell = [&](ContentLoad::Status status, std::shared_ptr<LogReader> reader) {
            post([done, status, reader] { done(status, reader); });
        };
        try {
            const std::optional<std::string> path = contentPath(*files, nativePath);
            if (!path) return tell(ContentLoad::NoFile, nullptr);
            std::unique_ptr<OpenedFile> file;
            if (const ReadStatus opened = files->openForReading(*path, file);
                opened != ReadStatus::Ok)
                return tell(notOpened(opened), nullptr);
            const std::int64_t size = file->size();
            std::string start;
            if (size < 0 || !file->readAt(0, EncodingSampleBytes, start))
                return tell(ContentLoad::Failed, nullptr);
            auto reader = std::make_shared<LogReader>(files, *path, startThread, post);
            {
                const std::lock_guard<std::mutex> lock(reader->mutex_);
                reader->takeStart(std::move(file), size, std::move(start));
                reader->indexing_ = true;
            }
            tell(ContentLoad::Loaded, reader);
            reader->indexToEnd();
        } catch (const std::bad_alloc&) {
            tell(ContentLoad::Failed, nullptr);
        }
    };
    if (!startThread(work)) post([done] { done(ContentLoad::Failed, nullptr); });
}

void LogReader::takeStart(std::shared_ptr<OpenedFile> file, std::int64_t size, std::string start) {
    file_ = std::move(file);
    index_.add(start);
    size_ = std::max<std::int64_t>(size, std::int64_t(start.size()));
    encoding_ = encodingOf(start);
    tail_ = start.substr(start.size() - std::min(start.size(), TailBytes));
    sample_ = std::move(start);
}

void LogReader::setListener(std::function<void(const Change&)> listener) {
    listener_ = std::move(listener);
}

void LogReader::close() {
    closed_ = true;
    listener_ = nullptr;
}

LogReader::Facts LogReader::facts() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    Facts facts;
    facts.encoding = encoding_;
    facts.textEnd = textEnd();
    facts.lineCount = index_.lineCount();
    facts.indexWhole = !indexing_;
    facts.version = version_;
    facts.indexBytes = index_.memoryBytes() + sample_.capacity() + tail_.capacity();
    return facts;
}

void LogReader::start(std::function<void()> work) {
    // Each piece of work holds the reader, which may outlive its owner.
    if (!startThread_([self = shared_from_this(), work = std::move(work)] {
            try {
                work();
            } catch (const std::bad_alloc&) {
                // Nothing is told: the view goes on with what it has.
            }
        })) {
        // No thread to run it on: the view goes on with what it has.
    }
}

void LogReader::tell(Change change) {
    post_([self = shared_from_this(), change] {
        if (self->listener_ && !self->closed_) self->listener_(change);
    });
}

void LogReader::indexToEnd() {
    std::string piece;
    auto lastNotice = std::chrono::steady_clock::now();
    for (;;) {
        std::shared_ptr<OpenedFile> file;
        std::int64_t from = 0;
        std::uint64_t version = 0;
        bool ended = false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) {
                indexing_ = false;
                return;
            }
            file = file_;
            from = index_.scanned();
            version = version_;
            ended = index_.endedAtNul();
        }
        const bool read = !ended && file->readAt(from, PieceBytes, piece);
        std::optional<Change> told;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (version != version_) continue;  // read anew meanwhile: the piece is of the old text
            if (read) {
                index_.add(piece);
                if (sample_.size() < EncodingSampleBytes) {
                    sample_ += piece.substr(0, EncodingSampleBytes - sample_.size());
                    encoding_ = encodingOf(sample_);
                }
                tail_ += piece.substr(piece.size() - std::min(piece.size(), TailBytes));
                if (tail_.size() > TailBytes) tail_.erase(0, tail_.size() - TailBytes);
                size_ = std::max(size_, index_.scanned());
            }
            if (!read || piece.size() < PieceBytes || index_.endedAtNul()) {
                if (indexAgain_ && read && !index_.endedAtNul()) {
                    indexAgain_ = false;
                    continue;
                }
                indexAgain_ = false;
                indexing_ = false;
                told = grewAt_ ? Change{Change::Grew, *grewAt_} : Change{};
                grewAt_.reset();
            }
        }
        if (told) return tell(*told);
        const auto now = std::chrono::steady_clock::now();
        if (now - lastNotice >= IndexNoticeEvery) {
            lastNotice = now;
            tell(Change{});
        }
    }
}

void LogReader::fetch(LineAnchor anchor, std::int64_t at, int before, int after,
                      std::function<void(LineBatch)> done) {
    start([this, anchor, at, before, after, done = std::move(done)] {
        Snapshot s;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            s = Snapshot{file_,    version_, textEnd(), index_.scanned(), index_.lineCount(),
                         encoding_};
        }
        LineBatch batch;
        batch.version = s.version;
        ByteCursor bytes(*s.file, s.end);
        // From a mark, the start of line n, scanned forward.
        const auto startOfLine = [&](std::int64_t n) {
            LineIndex::Mark mark;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (version_ != s.version) return std::int64_t(-1);
                mark = index_.markForLine(n);
            }
            std::int64_t p = mark.offset;
            for (std::int64_t line = mark.line; line < n && p < bytes.end(); ++line)
                p = bytes.afterBreak(bytes.findBreak(p));
            return p;
        };
        std::int64_t start = 0;
        std::int64_t number = -1;
        if (s.end == 0) return post_([done, batch] { done(batch); });
        if (anchor == LineAnchor::Line) {
            number = std::clamp<std::int64_t>(at, 0, std::max<std::int64_t>(0, s.lineCount - 1));
            start = startOfLine(number);
        } else {
            const std::int64_t b =
                anchor == LineAnchor::End ? s.end - 1 : std::clamp<std::int64_t>(at, 0, s.end - 1);
            if (b < s.scanned) {
                LineIndex::Mark mark;
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    if (version_ != s.version) return;
                    mark = index_.markAt(b);
                }
                start = mark.offset;
                number = mark.line;
                for (std::int64_t p = start; p <= b;) {
                    const std::int64_t q = bytes.findBreak(p);
                    if (q >= b) break;
                    p = bytes.afterBreak(q);
                    if (p > b) break;
                    start = p;
                    ++number;
                }
                // A mark inside a line: the line began before it.
                if (start == mark.offset && start > 0 && number == mark.line) {
                    const std::int64_t inIndex = startOfLine(number);
                    if (inIndex >= 0) start = inIndex;
                }
            } else {
                start = bytes.lineStartBack(b, b - BackScanLimit);
            }
        }
        if (start < 0) return;
        int wanted = after;
        if (number >= 0 && before > 0) {
            const std::int64_t first = std::max<std::int64_t>(0, number - before);
            wanted += int(number - first);
            number = first;
            start = startOfLine(first);
            if (start < 0) return;
        } else {
            for (int k = 0; k < before && start > 0; ++k, ++wanted)
                start = bytes.lineStartBack(start - 1, start - 1 - BackScanLimit);
        }
        batch.firstLine = number;
        for (std::int64_t p = start; p < bytes.end() && int(batch.lines.size()) < wanted;) {
            const std::int64_t q = bytes.findBreak(p);
            LineSpan line;
            line.start = p;
            const std::int64_t shown = std::min<std::int64_t>(q - p, MaxLineBytes);
            if (!s.file->readAt(p, std::size_t(shown), line.bytes)) break;
            line.next = q < bytes.end() ? bytes.afterBreak(q) : bytes.end();
            p = line.next;
            batch.lines.push_back(std::move(line));
        }
        if (bytes.failed()) batch.lines.clear();
        post_([done, batch = std::move(batch)] { done(batch); });
    });
}

void LogReader::find(std::string needle, std::int64_t from, bool backward,
                     std::function<void(std::int64_t)> done) {
    start([this, needle = std::move(needle), from, backward, done = std::move(done)] {
        Snapshot s;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            s.file = file_;
            s.end = textEnd();
            s.encoding = encoding_;
        }
        NeedleSearch search(needle, s.encoding);
        {
            std::string sample;
            if (s.file->readAt(0, 256 * 1024, sample)) search.learnFrom(sample);
        }
        constexpr std::int64_t SearchPiece = 4 * 1024 * 1024;
        const auto overlap = std::int64_t(search.size()) - 1;
        std::string piece;
        // The first (or last) place in [lo, hi), or -1.
        const auto searchRange = [&](std::int64_t lo, std::int64_t hi) -> std::int64_t {
            if (hi - lo < std::int64_t(search.size())) return -1;
            std::int64_t best = -1;
            for (std::int64_t k = 0; lo < hi && !closed_; ++k) {
                const std::int64_t pieceFrom =
                    backward ? std::max(lo, hi - SearchPiece - overlap) : lo;
                const std::int64_t pieceTo =
                    backward ? hi : std::min(hi, lo + SearchPiece + overlap);
                if (!s.file->readAt(pieceFrom, std::size_t(pieceTo - pieceFrom), piece)) return -1;
                if (const void* nul = std::memchr(piece.data(), '\0', piece.size())) {
                    piece.resize(std::size_t(static_cast<const char*>(nul) - piece.data()));
                    if (!backward) hi = pieceFrom + std::int64_t(piece.size());
                }
                search.each(piece, [&](std::size_t at) {
                    if (s.encoding == TextEncoding::ShiftJis && !startsSjisCharacter(piece, at))
                        return true;
                    best = pieceFrom + std::int64_t(at);
                    return backward;  // backward: on to the last place
                });
                if (best >= 0) return best;
                if (backward) {
                    hi = pieceFrom + overlap;
                    if (pieceFrom == lo) break;
                } else {
                    lo = pieceTo - overlap;
                    if (pieceTo == hi) break;
                }
            }
            return -1;
        };
        std::int64_t found = -1;
        if (!backward) {
            found = searchRange(std::clamp<std::int64_t>(from, 0, s.end), s.end);
            if (found < 0) found = searchRange(0, std::min(s.end, from + overlap));
        } else {
            found = searchRange(0, std::clamp<std::int64_t>(from + overlap, 0, s.end));
            if (found < 0 || found >= from)
                found = searchRange(std::max<std::int64_t>(0, from), s.end);
        }
        post_([done, found] { done(found); });
    });
}

void LogReader::readRange(std::int64_t from, std::int64_t to,
                          std::function<void(std::optional<std::string>)> done) {
    start([this, from, to, done = std::move(done)] {
        std::shared_ptr<OpenedFile> file;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            file = file_;
        }
        std::optional<std::string> bytes(std::string{});
        if (to > from && !file->readAt(from, std::size_t(to - from), *bytes)) bytes.reset();
        post_([done, bytes = std::move(bytes)] { done(bytes); });
    });
}

void LogReader::refresh(std::function<void(ContentLoad::Status)> done) {
    start([this, done = std::move(done)] { refreshNow(done); });
}

void LogReader::refreshNow(const std::function<void(ContentLoad::Status)>& done) {
    const auto tellDone = [&](ContentLoad::Status status) {
        post_([done, status] { done(status); });
    };
    std::unique_ptr<OpenedFile> opened;
    if (const ReadStatus status = files_->openForReading(path_, opened); status != ReadStatus::Ok)
        return tellDone(notOpened(status));
    std::shared_ptr<OpenedFile> file = std::move(opened);
    const std::int64_t size = file->size();
    std::int64_t scanned = 0;
    std::string tail;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        scanned = index_.scanned();
        tail = tail_;
    }
    std::string there;
    const auto tailAt = scanned - std::int64_t(tail.size());
    const bool inPlace =
        size >= scanned && file->readAt(tailAt, tail.size(), there) && there == tail;
    if (!inPlace) {
        std::string start;
        if (size < 0 || !file->readAt(0, EncodingSampleBytes, start))
            return tellDone(ContentLoad::Failed);
        renew(file, size, std::move(start));
        return tellDone(ContentLoad::Loaded);
    }
    bool run = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        file_ = file;
        if (size > size_ && !index_.endedAtNul()) {
            if (!grewAt_) grewAt_ = size_;
            size_ = size;
            if (indexing_) {
                indexAgain_ = true;
            } else {
                indexing_ = true;
                run = true;
            }
        }
    }
    tellDone(ContentLoad::Loaded);
    if (run) indexToEnd();
}

void LogReader::renew(std::shared_ptr<OpenedFile> file, std::int64_t size, std::string start) {
    bool run = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++version_;
        index_ = LineIndex();
        takeStart(std::move(file), size, std::move(start));
        grewAt_.reset();
        indexAgain_ = false;
        run = !indexing_;
        indexing_ = true;
    }
    tell(Change{Change::Renewed, 0});
    if (run) indexToEnd();
}

}  // namespace morvane
