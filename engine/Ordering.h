#pragma once

#include <string>
#include <vector>

#include "CheckCycle.h"
#include "Platform.h"
#include "StatusRecord.h"

namespace morvane {

enum class SortKey { WatchOrder, Name, FileName, Size, Modified, Directory };
enum class SortOrder { Ascending, Descending };

// The bytes the ordering keeps from StateCode on, after the SortPrefix it writes: a longer
// record is cut.
inline constexpr int KeptFromState = 255;

struct SortState {
    SortKey key = SortKey::WatchOrder;
    SortOrder order = SortOrder::Ascending;
};

// The key a click on the table's column 0 .. ColumnCount-1 sorts by: Name .. Directory. Any
// other column stands for WatchOrder.
SortKey columnSortKey(int column);
// The sort a click on a column gives: that column's key, in the other order where it was the
// key already.
SortState sortAfterClickOn(int column, SortState sort);

// Orders the rows by the sort state: rewrites every record's SortPrefix from the key field,
// keeps at most KeptFromState bytes from StateCode on, sorts under the collator, and for
// descending order takes the exact reverse of the ascending order.
void orderRows(WatchRows& rows, SortState sort, const Collator& collator);
// The same for bare records.
void orderRecords(Records& records, SortState sort, const Collator& collator);

}  // namespace morvane
