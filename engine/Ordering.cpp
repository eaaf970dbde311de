#include "Ordering.h"

#include <algorithm>

#include "ShiftJis.h"

namespace morvane {

namespace {

RecordField keyField(SortKey key) {
    switch (key) {
        case SortKey::Name:
            return DisplayName;
        case SortKey::FileName:
            return FileNameField;
        case SortKey::Size:
            return SizeText;
        case SortKey::Modified:
            return StampText;
        case SortKey::Directory:
            return DirPath;
        case SortKey::WatchOrder:
            break;
    }
    return SeqNo;
}

}  // namespace

SortKey sortKeyFromStored(int stored) {
    return stored >= 1 && stored <= 5 ? static_cast<SortKey>(stored) : SortKey::WatchOrder;
}

int storedSortKey(SortKey key) {
    return static_cast<int>(key);
}

SortOrder sortOrderFromStored(int stored) {
    return stored == 0 ? SortOrder::Ascending : SortOrder::Descending;
}

int storedSortOrder(SortOrder order) {
    return order == SortOrder::Ascending ? 0 : 1;
}

SortKey columnSortKey(int column) {
    return column >= 0 && column < ColumnCount ? sortKeyFromStored(column + 1)
                                               : SortKey::WatchOrder;
}

SortState sortAfterClickOn(int column, SortState sort) {
    const SortKey key = columnSortKey(column);
    if (sort.key == key)
        sort.order =
            sort.order == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    sort.key = key;
    return sort;
}

void orderRecords(Records& records, SortState sort, const Collator& collator) {
    const RecordField field = keyField(sort.key);
    const auto prefixWidth = static_cast<std::size_t>(FieldWidth[SortPrefix]);

    std::vector<std::string> ordered;
    ordered.reserve(records.size());
    for (const std::string& record : records) {
        std::string text = padOrCut(cutField(record, field), prefixWidth);
        text += cutBytes(record, FieldStart[StateCode], KeptFromState);
        ordered.push_back(std::move(text));
    }
    collator.sortAscending(ordered);
    // Descending is the exact reverse of ascending, tie-breaks included.
    if (sort.order == SortOrder::Descending) std::reverse(ordered.begin(), ordered.end());
    records = std::move(ordered);
}

}  // namespace morvane
