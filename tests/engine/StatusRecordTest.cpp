#include <gtest/gtest.h>

#include "StatusRecord.h"

namespace morvane {
namespace {

TEST(StatusRecord, CuttingTakesWhatThereIsFromTheColumn) {
    struct Row {
        std::string_view record;
        int start;
        int width;
        std::string_view expected;
    };
    const Row rows[] = {
        {"abcdef", 2, 3, "bcd"},  // inside
        {"abcdef", 5, 10, "ef"},  // record ends inside the field
        {"abcdef", 6, 1, "f"},    // last byte
        {"abcdef", 7, 1, ""},     // record ends before the column
        {"", 1, 20, ""},          // empty record
        {"abcdef", 0, 3, ""},     // no column 0
        {"abcdef", 1, -1, ""},    // no negative width
    };
    for (const Row& row : rows)
        EXPECT_EQ(cutBytes(row.record, row.start, row.width), row.expected)
            << row.record << " from " << row.start << " for " << row.width;
}

TEST(StatusRecord, AnyUnknownStateReadsAsNormal) {
    const std::string prefix(20, ' ');
    const std::pair<std::string, char> rows[] = {
        {prefix + "0", Normal},  {prefix + "1", NewUp},    {prefix + "2", NewUp2},
        {prefix + "3", TodayUp}, {prefix + "9", NotFound}, {prefix + "4", Normal},
        {prefix + " ", Normal},  {prefix, Normal},
    };
    for (const auto& [record, state] : rows) EXPECT_EQ(stateOf(record), state) << record;
}

}  // namespace
}  // namespace morvane
