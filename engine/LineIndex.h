#pragma once

// Where the lines of a text start, kept sparse: the count of line breaks before each block of
// BlockBytes, so a gigabyte costs a megabyte of index. A line is found by scanning forward
// from the mark before it, at most a block of bytes. Line breaks are CR LF, a lone CR and a
// lone LF; a NUL ends the text.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace morvane {

class LineIndex {
public:
    static constexpr std::int64_t BlockBytes = 16 * 1024;

    // A place in the text and the number of the line it lies in (the line breaks before it).
    struct Mark {
        std::int64_t offset = 0;
        std::int64_t line = 0;
    };

    // Takes the text's next bytes, those from scanned() on. Nothing after a NUL is taken.
    void add(std::string_view bytes);

    // The bytes taken: the end of the text as far as it is known.
    std::int64_t scanned() const { return scanned_; }
    bool endedAtNul() const { return endedAtNul_; }
    // The lines of the bytes taken, the last one counted whether a line break ends it or not.
    // A CR at the end ends its line, whether an LF follows it or not.
    std::int64_t lineCount() const;

    // The last mark from which a forward scan meets the start of line n (n < lineCount()).
    Mark markForLine(std::int64_t n) const;
    // The last mark at or before the offset.
    Mark markAt(std::int64_t offset) const;

    std::size_t memoryBytes() const { return breaksBefore_.capacity() * sizeof(std::int64_t); }

private:
    static constexpr int NotYetRead = -2;
    // Counts the breaks of bytes at scanned(); next: the byte after them, or NotYetRead.
    void countBreaks(std::string_view bytes, int next);

    // Item k: the line breaks in the bytes before block k + 1.
    std::vector<std::int64_t> breaksBefore_;
    std::int64_t scanned_ = 0;
    std::int64_t breaks_ = 0;
    std::int64_t lastLineStart_ = 0;
    bool pendingCr_ = false;  // the last byte taken is a CR: its line ends, and an LF may follow
    bool endedAtNul_ = false;
};

}  // namespace morvane
