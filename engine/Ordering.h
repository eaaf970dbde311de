#pragma once

#include <string>
#include <vector>

#include "Platform.h"
#include "StatusRecord.h"

namespace morvane {

// SortKey: 0 watch-list order, 1 name, 2 file name, 3 size, 4 modification time, 5 directory.
// SortType: 0 ascending, 1 descending.
struct SortState {
    int sortKey = 0;
    int sortType = 0;
};

// Orders records by the sort state: rewrites every SortPrefix from the key field, keeps at most
// 255 bytes from column 21, sorts under the collator, and for descending order takes the exact
// reverse of the ascending order. A key outside 0..5 acts as 0; a type other than 0 as 1.
void orderRecords(Records& records, SortState sort, const Collator& collator);

// The texts of the list rows after ordering: "0" .. "n-1".
std::vector<std::string> rowTexts(std::size_t count);

}  // namespace morvane
