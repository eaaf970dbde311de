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

// The record with its SortPrefix written from the key field and at most KeptFromState bytes
// from StateCode on.
std::string keyedRecord(std::string_view record, RecordField field) {
    std::string text = padOrCut(cutField(record, field), std::size_t(FieldWidth[SortPrefix]));
    text += cutBytes(record, FieldStart[StateCode], KeptFromState);
    return text;
}

}  // namespace

SortKey columnSortKey(int column) {
    return column >= 0 && column < ColumnCount ? static_cast<SortKey>(column + 1)
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
    // The rows' own ordering, so that whoever orders bare records orders them as the window.
    WatchRows rows(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) rows[i].record = std::move(records[i]);
    orderRows(rows, sort, collator);
    for (std::size_t i = 0; i < records.size(); ++i) records[i] = std::move(rows[i].record);
}

void orderRows(WatchRows& rows, SortState sort, const Collator& collator) {
    const RecordField field = keyField(sort.key);
    std::vector<std::string> keyed;
    keyed.reserve(rows.size());
    for (const WatchRow& row : rows) keyed.push_back(keyedRecord(row.record, field));
    std::vector<std::size_t> order = collator.ascendingOrder(keyed);
    // Descending is the exact reverse of ascending, tie-breaks included.
    if (sort.order == SortOrder::Descending) std::reverse(order.begin(), order.end());
    WatchRows ordered;
    ordered.reserve(rows.size());
    for (const std::size_t i : order) {
        ordered.push_back(std::move(rows[i]));
        ordered.back().record = std::move(keyed[i]);
    }
    rows = std::move(ordered);
}

}  // namespace morvane
