#include "LineIndex.h"

#include <algorithm>
#include <cstring>

namespace morvane {

void LineIndex::add(std::string_view bytes) {
    if (endedAtNul_ || bytes.empty()) return;
    if (const void* nul = std::memchr(bytes.data(), '\0', bytes.size())) {
        bytes = bytes.substr(0, std::size_t(static_cast<const char*>(nul) - bytes.data()));
        endedAtNul_ = true;
        if (bytes.empty()) return;
    }
    if (pendingCr_) {
        // The CR's line ends either way; an LF after it is that same line end, counted below.
        pendingCr_ = false;
        if (bytes[0] != '\n') {
            ++breaks_;
            lastLineStart_ = scanned_;
        }
    }
    while (!bytes.empty()) {
        if (scanned_ % BlockBytes == 0 && scanned_ > 0 &&
            std::int64_t(breaksBefore_.size()) < scanned_ / BlockBytes)
            breaksBefore_.push_back(breaks_);
        const auto toBlockEnd = std::size_t(BlockBytes - scanned_ % BlockBytes);
        const std::size_t length = std::min(toBlockEnd, bytes.size());
        countBreaks(bytes.substr(0, length),
                    length < bytes.size() ? static_cast<unsigned char>(bytes[length]) : NotYetRead);
        scanned_ += std::int64_t(length);
        bytes.remove_prefix(length);
    }
}

void LineIndex::countBreaks(std::string_view bytes, int next) {
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    if (!std::memchr(data, '\r', size)) {
        // The common case: memchr goes through the bytes many at a time.
        const char* end = data + size;
        const char* last = nullptr;
        for (const char* p = data;
             (p = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)))); ++p) {
            ++breaks_;
            last = p;
        }
        if (last) lastLineStart_ = scanned_ + (last - data) + 1;
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r') continue;
        if (c == '\r') {
            const int after = i + 1 < size ? static_cast<unsigned char>(data[i + 1]) : next;
            if (after == NotYetRead) {
                pendingCr_ = true;
                continue;
            }
            if (after == '\n') continue;  // the LF ends the line
        }
        ++breaks_;
        lastLineStart_ = scanned_ + std::int64_t(i) + 1;
    }
}

std::int64_t LineIndex::lineCount() const {
    if (pendingCr_) return breaks_ + 1;
    return breaks_ + (scanned_ > lastLineStart_ ? 1 : 0);
}

LineIndex::Mark LineIndex::markForLine(std::int64_t n) const {
    // The first block whose marks count n breaks or more holds line n's start before it.
    const auto first = std::lower_bound(breaksBefore_.begin(), breaksBefore_.end(), n);
    const auto k = first - breaksBefore_.begin();
    if (k == 0) return {};
    return {std::int64_t(k) * BlockBytes, breaksBefore_[std::size_t(k - 1)]};
}

LineIndex::Mark LineIndex::markAt(std::int64_t offset) const {
    const std::int64_t k = std::min<std::int64_t>(std::max<std::int64_t>(0, offset) / BlockBytes,
                                                  std::int64_t(breaksBefore_.size()));
    if (k == 0) return {};
    return {k * BlockBytes, breaksBefore_[std::size_t(k - 1)]};
}

}  // namespace morvane
