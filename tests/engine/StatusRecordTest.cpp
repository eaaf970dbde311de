#include <gtest/gtest.h>

#include "Ordering.h"
#include "RealPlatform.h"
#include "ShiftJis.h"

namespace morvane {
namespace {

using testing::sjis;

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
    const std::pair<std::string, RecordState> rows[] = {{prefix + "9", RecordState::NotFound},
                                                        {prefix + "8", RecordState::Waiting},
                                                        {prefix + "4", RecordState::Normal},
                                                        {prefix + " ", RecordState::Normal},
                                                        {prefix, RecordState::Normal}};
    for (const auto& [record, state] : rows) EXPECT_EQ(stateOf(record), state) << record;
}

// A record with SeqNo "0" followed by seq.
std::string record(char state, char seq, std::string_view name, std::string_view file,
                   std::string_view size, std::string_view stamp, std::string_view dir) {
    return std::string(20, '#') + state + '0' + seq + padOrCut(name, 20) + padOrCut(file, 20) +
           padOrCut(size, 10) + padOrCut(stamp, 19) + std::string(dir);
}

// The sort state of a key (0 watch order .. 5 directory) and a direction (0 ascending).
SortState stored(int key, int type) {
    return {static_cast<SortKey>(key), type == 0 ? SortOrder::Ascending : SortOrder::Descending};
}

// The last digits of the records' SeqNo in the order orderRecords leaves them, joined by spaces.
std::string orderedBy(Records records, SortState sort) {
    orderRecords(records, sort, testing::realPlatform().collator());
    std::string order;
    for (const std::string& r : records) order += std::string(cutField(r, SeqNo).substr(1)) + " ";
    if (!order.empty()) order.pop_back();
    return order;
}

TEST(Ordering, EveryKeyAscendingAndDescendingAsItsExactReverse) {
    const Records records = {
        record('0', '0', "beta", "b.txt", "0000000010", "2024/03/01 12:00:00", "/x/"),
        record('9', '1', "Alpha", "c.txt", "", "", "/a/"),
        record('1', '2', "gamma", "A.txt", "0000000009", "2024/03/02 08:00:00", "/b/"),
        record('3', '3', "alpha", "a.txt", "0000012345", "2023/12/31 23:59:58", "/b/"),
    };
    const std::pair<int, std::string> rows[] = {
        {0, "0 1 2 3"}, {1, "3 1 0 2"},  // Alpha and alpha are equal: StateCode "3" before "9"
        {2, "2 3 0 1"},                  // A.txt/a.txt: state "1" before "3"
        {3, "1 2 0 3"},                  // not found first, 9 before 10
        {4, "1 3 0 2"}, {5, "1 2 3 0"},  // /b/ twice: state "1" before "3"
    };
    for (const auto& [key, ascending] : rows) {
        EXPECT_EQ(orderedBy(records, stored(key, 0)), ascending) << "key " << key;
        // Any stored direction other than 0 is descending.
        for (const int direction : {1, 2, -1})
            EXPECT_EQ(orderedBy(records, stored(key, direction)),
                      std::string(ascending.rbegin(), ascending.rend()))
                << "key " << key << ", direction " << direction;
    }
    EXPECT_EQ(orderedBy({}, stored(3, 1)), "");
}

TEST(Ordering, EqualKeysFallToStateThenWatchListPosition) {
    const std::string dir = "/home/user/projects/";  // 20 bytes shared
    const Records records = {
        record('3', '0', "same", "f", "1", "", dir + "zzz/"),
        record('0', '1', "SAME", "f", "1", "", dir + "mmm/"),
        record('0', '2', "same", "f", "1", "", dir + "aaa/"),  // its directory decides no order
    };
    EXPECT_EQ(orderedBy(records, stored(1, 0)), "1 2 0");
    EXPECT_EQ(orderedBy(records, stored(1, 1)), "0 2 1");
    EXPECT_EQ(orderedBy(records, stored(5, 0)), "1 2 0");
}

TEST(Ordering, PrefixIsRebuiltAndRecordsAreCutTo275Bytes) {
    const std::string longDir = "/" + std::string(300, 'd') + "/";
    Records records = {
        record('0', '0', sjis("日本語"), "f", "0000000001", "2024/03/01 12:00:00", longDir)};
    const std::pair<int, std::string> prefixes[] = {
        {0, "00" + std::string(18, ' ')}, {1, sjis("日本語") + std::string(14, ' ')},
        {2, "f" + std::string(19, ' ')},  {3, "0000000001" + std::string(10, ' ')},
        {4, "2024/03/01 12:00:00 "},      {5, longDir.substr(0, 20)},
        {6, "00" + std::string(18, ' ')}, {-1, "00" + std::string(18, ' ')},
    };
    for (const auto& [key, prefix] : prefixes) {
        orderRecords(records, stored(key, 2), testing::realPlatform().collator());
        ASSERT_EQ(records[0].size(), 275u);
        EXPECT_EQ(cutField(records[0], SortPrefix), prefix) << "key " << key;
        EXPECT_EQ(cutField(records[0], StampText), "2024/03/01 12:00:00");
    }
}

}  // namespace
}  // namespace morvane
