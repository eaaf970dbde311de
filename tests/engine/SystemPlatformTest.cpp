#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "FakePlatform.h"
#include "Watch.h"
#include "WatchLine.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::sjis;
using testing::TempFolder;

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

// Texts that differ only in case, kana type, width or code, or are no Shift-JIS at all.
TEST(Collation, DistinctBytesNeverCompareEqualAndSortKeysAndBatchSortAgree) {
    std::vector<std::string> texts = {
        "A",       "a",        sjis("Ａ"), sjis("ア"), sjis("あ"),
        sjis("ｱ"), "\xED\x40", "\xFA\x5C",  // two codes of one kanji
        "\x81",    "\x81 ",    "\x82 ",    "",         "abc" + std::string(300, 'x')};
    for (const auto& [a, b] : Ascending) texts.insert(texts.end(), {a, b});
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            const int order = sign(collator().compare(a, b));
            EXPECT_EQ(order == 0, a == b) << a << " / " << b;
            EXPECT_EQ(order, -sign(collator().compare(b, a))) << a << " / " << b;
            EXPECT_EQ(order, sign(collator().sortKey(a).compare(collator().sortKey(b))))
                << a << " / " << b;
        }
    }

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
    const std::pair<std::string, std::string> table[] = {
        {ascii, ascii},     {"テスト", "\x83\x65\x83\x58\x83\x67"},
        {"ｶﾅ", "\xB6\xC5"}, {"監視時刻：", "\x8A\xC4\x8E\x8B\x8E\x9E\x8D\x8F\x81\x46"},
        {"①", "\x87\x40"},
    };
    std::string out;
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
    // Characters the converter would drop without a word have no Shift-JIS form either.
    for (const std::string bad :
         {"\xC3", "한글", "😀", "A\u00ADB", "a\u200Bb", "x\u2060", "\u8FBA\uFE00"})
        EXPECT_FALSE(codec().fromUtf8(bad, out)) << bad;
}

TEST(RealFolder, LookupFollowsLinksAndAdmitsOnlyVisibleRegularFiles) {
    const TempFolder dir;
    FileSystem& files = testing::realPlatform().files();
    const std::string file = dir.write("file.txt", "12345", LocalDateTime{2021, 6, 15, 10, 20, 31});
    fs::create_symlink(file, dir / "link");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "sub", dir / "dirlink");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", dir / "device");
    dir.write(".hidden", "x");

    const std::optional<FileFacts> facts = files.lookUp(dir / "link");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, 5);
    EXPECT_TRUE(facts->modified == (LocalDateTime{2021, 6, 15, 10, 20, 31}));

    struct Row {
        std::string name;
        bool found, isFile;
        ReadStatus read;
    };
    const Row rows[] = {
        {"file.txt", true, true, ReadStatus::Ok},
        {"link", true, true, ReadStatus::Ok},
        {"dangling", false, false, ReadStatus::Missing},
        {"missing", false, false, ReadStatus::Missing},
        {"sub", false, false, ReadStatus::Missing},
        {"dirlink", false, false, ReadStatus::Missing},
        {"fifo", false, false, ReadStatus::Failed},
        {"device", false, false, ReadStatus::Failed},
        {".hidden", false, true, ReadStatus::Ok},
        {std::string("file.txt\0x", 10), false, false, ReadStatus::Missing},
    };
    for (const Row& row : rows) {
        std::string bytes;
        EXPECT_EQ(files.lookUp(dir / row.name).has_value(), row.found) << row.name;
        EXPECT_EQ(files.isFile(dir / row.name), row.isFile) << row.name;
        EXPECT_EQ(files.readAll(dir / row.name, bytes, 100), row.read) << row.name;
    }
}

TEST(RealFolder, ReadingStopsAtTheSizeLimit) {
    const TempFolder dir;
    FileSystem& files = testing::realPlatform().files();
    const std::string file = dir.write("data", std::string(100, 'x'));
    std::string bytes;
    EXPECT_EQ(files.readAll(file, bytes, 100), ReadStatus::Ok);
    EXPECT_EQ(bytes.size(), 100u);
    EXPECT_EQ(files.readAll(file, bytes, 99), ReadStatus::Failed);
    EXPECT_EQ(files.readAll(dir.write("empty", ""), bytes, 99), ReadStatus::Ok);
    EXPECT_TRUE(bytes.empty());
}

TEST(RealFolder, ACheckFindsAFileByItsShiftJisPathAndSeesItChange) {
    const TempFolder dir;
    dir.write("日本語.txt", "abc", LocalDateTime{2021, 6, 15, 10, 20, 31});
    const WatchList watchList = {makeWatchLine("n", sjis(dir / "日本語.txt")),
                                 makeWatchLine("n", sjis(dir / "none"))};
    testing::FakeClock clock;
    SystemPlatform& real = testing::realPlatform();
    Platform platform{real.files(), clock, real.codec(), real.collator()};
    Watch watch(platform, std::make_unique<LookupsAtOnce>(real.files()));
    watch.setFiles(watchedFiles(platform.codec, watchList));
    runCheck(watch, true);
    const WatchRows& rows = watch.rows();
    EXPECT_EQ(std::string({stateCode(stateOf(rows[0].record)), stateCode(stateOf(rows[1].record))}),
              "09");
    EXPECT_EQ(cutField(rows[0].record, SizeText), "0000000003");
    EXPECT_EQ(cutField(rows[0].record, StampText), "2021/06/15 10:20:30");

    dir.write("日本語.txt", "abcd", LocalDateTime{2024, 3, 2, 7, 0, 0});
    runCheck(watch, false);
    EXPECT_EQ(stateOf(rows[0].record), RecordState::NewUp);
}

TEST(ProgramDirectory, IsTheFolderOfTheRunningProgram) {
    const std::string folder = programDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(fs::path(folder) / fs::read_symlink("/proc/self/exe").filename(),
              fs::read_symlink("/proc/self/exe"));
}

}  // namespace
}  // namespace morvane
