#include "StatusRecord.h"

#include <algorithm>

namespace morvane {

std::string_view cutBytes(std::string_view record, int start, int width) {
    if (start < 1 || width <= 0) return {};
    const auto from = static_cast<std::size_t>(start - 1);
    if (from >= record.size()) return {};
    return record.substr(from, static_cast<std::size_t>(width));
}

std::string_view cutField(std::string_view record, RecordField field) {
    return cutBytes(record, FieldStart[field], FieldWidth[field]);
}

void putField(std::string& record, RecordField field, std::string_view value) {
    const auto start = static_cast<std::size_t>(FieldStart[field] - 1);
    const auto width = static_cast<std::size_t>(FieldWidth[field]);
    // In place: a record that holds the field keeps its length and its buffer.
    if (record.size() < start + width) record.resize(start + width, ' ');
    const std::size_t kept = std::min(value.size(), width);
    std::copy_n(value.data(), kept, record.begin() + static_cast<std::ptrdiff_t>(start));
    std::fill_n(record.begin() + static_cast<std::ptrdiff_t>(start + kept), width - kept, ' ');
}

RecordState stateOf(std::string_view record) {
    const std::string_view code = cutField(record, StateCode);
    if (code.empty()) return RecordState::Normal;
    switch (const auto state = static_cast<RecordState>(code[0])) {
        case RecordState::NewUp:
        case RecordState::NewUp2:
        case RecordState::TodayUp:
        case RecordState::Waiting:
        case RecordState::NotFound:
            return state;
        default:
            return RecordState::Normal;
    }
}

}  // namespace morvane
