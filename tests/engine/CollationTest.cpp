#include <gtest/gtest.h>

#include <algorithm>

#include "EngineTesting.h"

namespace morvane {
namespace {

using testing::sjis;

const Collator& collator() {
    return testing::realPlatform().collator();
}
const TextCodec& codec() {
    return testing::realPlatform().codec();
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

// Pairs that sort in this order, first before second.
const std::pair<std::string, std::string> Ascending[] = {
    {" ", "!"},           // space before punctuation
    {"!", "0"},           // punctuation before digits
    {"0", "9"},           // digits in their order
    {"9", "a"},           // digits before letters
    {"a", "B"},           // letters without case
    {"ABC0", "abc1"},     // case ignored, the digit decides
    {"abc ", "abcd"},     // a padded prefix first
    {"abc  1", "abc 0"},  // the space is never skipped
    {std::string(10, ' '), "0000000000"},
    {"0000000009", "0000000010"},
    {std::string(19, ' '), "1970/01/01 00:00:00"},
    {"2024/03/01 23:59:58", "2024/03/02 00:00:00"},
    {"z", sjis("あ")},           // Latin before kana
    {sjis("あ"), sjis("い")},    // gojūon order
    {sjis("あ"), sjis("亜")},    // kana before kanji
    {sjis("亜"), sjis("唖")},    // kanji in JIS order
    {sjis("腕"), sjis("弌")},    // first level before second
    {sjis("ア1"), sjis("ヂ0")},  // ア is 83 41: its "A" trail byte is not folded
};

TEST(Collation, JapaneseOrderWithoutAsciiCase) {
    for (const auto& [low, high] : Ascending) {
        EXPECT_LT(collator().compare(low, high), 0) << low << " < " << high;
        EXPECT_GT(collator().compare(high, low), 0) << high << " > " << low;
    }
}

TEST(Collation, DistinctBytesNeverCompareEqual) {
    const std::pair<std::string, std::string> pairs[] = {
        {"A", "a"},
        {sjis("ア"), sjis("あ")},  // kana type
        {sjis("ｱ"), sjis("ア")},   // width
        {sjis("Ａ"), "A"},
        {"\xED\x40", "\xFA\x5C"},  // two codes of one kanji
        {"\x81 ", "\x82 "},        // not Shift-JIS at all
    };
    for (const auto& [a, b] : pairs) {
        EXPECT_NE(collator().compare(a, b), 0) << a << " / " << b;
        EXPECT_EQ(sign(collator().compare(a, b)), -sign(collator().compare(b, a)));
        EXPECT_EQ(collator().compare(a, a), 0);
    }
}

TEST(Collation, SortKeysAndBatchSortAgreeWithCompare) {
    std::vector<std::string> texts;
    for (const auto& [a, b] : Ascending) texts.insert(texts.end(), {a, b});
    texts.insert(texts.end(), {"A", "a", sjis("ア"), sjis("あ"), sjis("ｱ"), "\xED\x40", "\xFA\x5C",
                               "\x81", "", "abc" + std::string(300, 'x')});
    for (const std::string& a : texts)
        for (const std::string& b : texts)
            EXPECT_EQ(sign(collator().compare(a, b)),
                      sign(collator().sortKey(a).compare(collator().sortKey(b))))
                << a << " / " << b;

    std::vector<std::string> batch = texts;
    collator().sortAscending(batch);
    std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return collator().compare(a, b) < 0;
    });
    EXPECT_EQ(batch, texts);
}

TEST(Codec, AsciiPassesUnchangedAndJapaneseRoundTrips) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c) ascii += static_cast<char>(c);
    std::string out;
    EXPECT_TRUE(codec().toUtf8(ascii, out));
    EXPECT_EQ(out, ascii);
    EXPECT_TRUE(codec().fromUtf8(ascii, out));
    EXPECT_EQ(out, ascii);

    const std::pair<std::string, std::string> table[] = {
        {"テスト", "\x83\x65\x83\x58\x83\x67"},
        {"ｶﾅ", "\xB6\xC5"},
        {"監視時刻：", "\x8A\xC4\x8E\x8B\x8E\x9E\x8D\x8F\x81\x46"},
        {"①", "\x87\x40"},
    };
    for (const auto& [text, bytes] : table) {
        EXPECT_TRUE(codec().fromUtf8(text, out));
        EXPECT_EQ(out, bytes) << text;
        EXPECT_TRUE(codec().toUtf8(bytes, out));
        EXPECT_EQ(out, text);
    }
}

TEST(Codec, InvalidInputIsReported) {
    std::string out;
    for (const std::string bad : {"\x81", "a\x81 b", "\xA0", "\xFD", "\x85\x40"}) {
        EXPECT_FALSE(codec().toUtf8(bad, out)) << bad;
        EXPECT_NE(out.find("\xEF\xBF\xBD"), std::string::npos) << "U+FFFD in place";
    }
    codec().toUtf8("a\x81 b", out);
    EXPECT_EQ(out, "a\xEF\xBF\xBD b") << "a lone lead byte does not swallow the space";
    for (const std::string bad : {"\xC3", "한글", "😀"}) EXPECT_FALSE(codec().fromUtf8(bad, out));
}

}  // namespace
}  // namespace morvane
