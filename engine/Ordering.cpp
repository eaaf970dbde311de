#include "Ordering.h"

#include <algorithm>

#include "ShiftJis.h"

namespace morvane {

namespace {

constexpr int KeptFromState = 255;

}  // namespace

void orderRecords(Records& records, SortState sort, const Collator& collator) {
    const int key = sort.sortKey >= 0 && sort.sortKey <= 5 ? sort.sortKey : 0;
    const auto keyField = static_cast<RecordField>(key + SeqNo);
    const auto prefixWidth = static_cast<std::size_t>(FieldWidth[SortPrefix]);

    std::vector<std::string> ordered;
    ordered.reserve(records.size());
    for (const std::string& record : records) {
        std::string text = padOrCut(cutField(record, keyField), prefixWidth);
        text += cutBytes(record, FieldStart[StateCode], KeptFromState);
        ordered.push_back(std::move(text));
    }
    collator.sortAscending(ordered);
    // Descending is the exact reverse of ascending, tie-breaks included.
    if (sort.sortType != 0) std::reverse(ordered.begin(), ordered.end());
    records = std::move(ordered);
}

std::vector<std::string> rowTexts(std::size_t count) {
    std::vector<std::string> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) rows.push_back(std::to_string(i));
    return rows;
}

}  // namespace morvane
