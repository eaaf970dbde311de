#include <gtest/gtest.h>

#include <algorithm>

#include "EngineTesting.h"
#include "Ordering.h"

namespace morvane {
namespace {

using testing::sjis;

const Collator& collator() {
    return testing::realPlatform().collator();
}

std::string record(char state, std::string seq, std::string_view name, std::string_view file,
                   std::string_view size, std::string_view stamp, std::string_view dir) {
    return std::string(20, '#') + state + seq + padOrCut(name, 20) + padOrCut(file, 20) +
           padOrCut(size, 10) + padOrCut(stamp, 19) + std::string(dir);
}

// The SeqNo fields of the records in their order, joined by spaces.
std::string seqOrder(const Records& records) {
    std::string order;
    for (const std::string& r : records) order += std::string(cutField(r, SeqNo)) + " ";
    if (!order.empty()) order.pop_back();
    return order;
}

std::string orderedBy(Records records, SortState sort) {
    ListEdit(records, sort, collator());
    return seqOrder(records);
}

TEST(Ordering, EveryKeyAndDirection) {
    const Records records = {
        record('0', "00", "beta", "b.txt", "0000000010", "2024/03/01 12:00:00", "/x/"),
        record('9', "01", "Alpha", "c.txt", "", "", "/a/"),
        record('1', "02", "gamma", "A.txt", "0000000009", "2024/03/02 08:00:00", "/b/"),
        record('3', "03", "alpha", "a.txt", "0000012345", "2023/12/31 23:59:58", "/b/"),
    };
    struct Row {
        SortState sort;
        std::string ascending;  // descending is the exact reverse
    };
    const Row rows[] = {
        {{0, 0}, "00 01 02 03"},
        {{1, 0}, "03 01 00 02"},  // Alpha and alpha are equal: StateCode "3" before "9"
        {{2, 0}, "02 03 00 01"},  // A.txt/a.txt: state "1" before "3"
        {{3, 0}, "01 02 00 03"},  // not found first, 9 before 10
        {{4, 0}, "01 03 00 02"},
        {{5, 0}, "01 02 03 00"},  // /b/ twice: state "1" before "3"
    };
    for (const Row& row : rows) {
        EXPECT_EQ(orderedBy(records, row.sort), row.ascending) << "key " << row.sort.sortKey;
        Records ascending = records;
        ListEdit(ascending, row.sort, collator());
        Records descending = ascending;  // ordered again from an order of its own
        ListEdit(descending, {row.sort.sortKey, 1}, collator());
        std::reverse(ascending.begin(), ascending.end());
        EXPECT_EQ(descending, ascending) << "key " << row.sort.sortKey;
    }
}

TEST(Ordering, EqualKeysFallToStateThenWatchListPosition) {
    const std::string dir = "/home/user/projects/";  // 20 bytes shared
    const Records records = {
        record('3', "00", "same", "f", "1", "", dir + "zzz/"),
        record('0', "01", "SAME", "f", "1", "", dir + "aaa/"),
        record('0', "02", "same", "f", "1", "", dir + "mmm/"),
    };
    EXPECT_EQ(orderedBy(records, {1, 0}), "01 02 00");
    EXPECT_EQ(orderedBy(records, {1, 1}), "00 02 01");
    EXPECT_EQ(orderedBy(records, {5, 0}), "01 02 00");
}

TEST(Ordering, PrefixIsRebuiltAndRecordsAreCutTo275Bytes) {
    const std::string longDir = "/" + std::string(300, 'd') + "/";
    Records records = {
        record('0', "00", sjis("日本語"), "f", "0000000001", "2024/03/01 12:00:00", longDir)};
    const std::pair<int, std::string> prefixes[] = {
        {0, "00" + std::string(18, ' ')}, {1, sjis("日本語") + std::string(14, ' ')},
        {2, "f" + std::string(19, ' ')},  {3, "0000000001" + std::string(10, ' ')},
        {4, "2024/03/01 12:00:00 "},      {5, longDir.substr(0, 20)},
        {7, "00" + std::string(18, ' ')}, {-1, "00" + std::string(18, ' ')},
    };
    for (const auto& [key, prefix] : prefixes) {
        ListEdit(records, {key, 2}, collator());
        ASSERT_EQ(records[0].size(), 275u);
        EXPECT_EQ(cutField(records[0], SortPrefix), prefix) << "key " << key;
        EXPECT_EQ(cutField(records[0], StampText), "2024/03/01 12:00:00");
    }
}

TEST(Ordering, EmptyRecordsAndRowTexts) {
    Records none;
    ListEdit(none, {3, 1}, collator());
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(rowTexts(0).empty());
    EXPECT_EQ(rowTexts(12).back(), "11");
    EXPECT_EQ(rowTexts(3), (std::vector<std::string>{"0", "1", "2"}));
}

}  // namespace
}  // namespace morvane
