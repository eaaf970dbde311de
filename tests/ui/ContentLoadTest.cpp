#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ContentLoad.h"
#include "FakePlatform.h"
#include "LogReader.h"
#include "Messages.h"

namespace morvane {
namespace {

using testing::FakeFile;

class ContentLoadTest : public ::testing::Test, protected testing::FakePlatform {};

TEST_F(ContentLoadTest, ShowsUtf8AsItIsAndAnythingElseAsShiftJisWithOneKindOfLineEnd) {
    const struct {
        const char* what;
        std::string bytes;
        std::string shown;  // UTF-8
    } cases[] = {
        {"plain ASCII stays", "abc 123", "abc 123"},
        {"valid UTF-8 stays UTF-8", "日本語テキスト", "日本語テキスト"},
        {"Shift-JIS double-byte text is converted", "\x93\xFA\x96\x7B\x8C\xEA", "日本語"},
        {"Shift-JIS half-width kana are converted", "\xB1\xB2\xB3", "ｱｲｳ"},
        {"an overlong UTF-8 form is read as Shift-JIS", "\xC0\xAF", "ﾀｯ"},
        {"a surrogate is read as Shift-JIS", "\xED\xA0\x80", testing::utf8("\xED\xA0\x80")},
        {"beyond U+10FFFF is read as Shift-JIS", "\xF4\x90\x80\x80",
         testing::utf8("\xF4\x90\x80\x80")},
        {"an overlong three-byte form is read as Shift-JIS", "\xE0\x80\x80",
         testing::utf8("\xE0\x80\x80")},
        {"a character cut at the end waits to be whole", "\xE6\x97\xA5\xE3\x81", "日"},
        {"a character cut before the end is read as Shift-JIS", "\xE3\x81\n",
         testing::utf8("\xE3\x81\n")},
        {"a three-byte lead whose third byte is no continuation is read as Shift-JIS",
         "\xE3\x81\x41", testing::utf8("\xE3\x81\x41")},
        {"a UTF-8 byte-order mark is left out", "\xEF\xBB\xBFtext", "text"},
        {"an empty file is empty text", "", ""},
        {"CR LF is one break", "a\r\nb\r\n", "a\nb\n"},
        {"a lone CR is one break", "a\rb\r", "a\nb\n"},
        {"a lone LF is one break", "a\nb", "a\nb"},
        {"CR CR LF is two breaks", "a\r\r\nb", "a\n\nb"},
        {"LF CR is two breaks", "a\n\rb", "a\n\nb"},
        {"breaks in Shift-JIS text", "\x93\xFA\r\n\x96\x7B\r\x8C\xEA", "日\n本\n語"},
        {"a NUL ends the text", std::string("abc\0def", 7), "abc"},
        {"a NUL ends Shift-JIS text too", std::string("\x93\xFA\0\xFF\xFF", 5), "日"},
        {"a NUL first leaves nothing", std::string("\0abc", 4), ""},
    };
    for (const auto& c : cases) {
        files.put("/w/a.txt", c.bytes);
        const ContentLoad result = loadContent(platform, "/w/a.txt");
        EXPECT_EQ(result.status, ContentLoad::Loaded) << c.what;
        EXPECT_EQ(result.utf8, c.shown) << c.what;
    }
}

TEST_F(ContentLoadTest, FindsTheFileOrTellsWhyNot) {
    files.put("/w/a.txt", "plain");
    files.put("/w/b.txt  ", "blanks");
    files.put("/w/日本.txt", "text");
    files.put("/w/dir").kind = FakeFile::Directory;
    files.put("/w/locked.txt", "text").kind = FakeFile::Unreadable;
    const struct {
        const char* what;
        std::string path;
        ContentLoad::Status status;
        std::string shown;
    } cases[] = {
        {"a missing file is no file", "/w/none.txt", ContentLoad::NoFile, ""},
        {"a directory is no file", "/w/dir", ContentLoad::NoFile, ""},
        {"an unreadable file fails", "/w/locked.txt", ContentLoad::Failed, ""},
        {"a Shift-JIS path opens its native name", "/w/\x93\xFA\x96\x7B.txt", ContentLoad::Loaded,
         "text"},
        {"blanks after a path that names no file are dropped", "/w/a.txt  ", ContentLoad::Loaded,
         "plain"},
        {"blanks that are part of the name are kept", "/w/b.txt  ", ContentLoad::Loaded, "blanks"},
        {"dropping blanks finds no other file", "/w/c.txt ", ContentLoad::NoFile, ""},
    };
    for (const auto& c : cases) {
        const ContentLoad result = loadContent(platform, c.path);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.utf8, c.shown) << c.what;
    }
}

// The lines of a text cut where a NUL is, split at CR LF, a lone CR and a lone LF.
std::vector<std::string> plainSplit(std::string text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.push_back(std::exchange(line, {}));
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

TEST_F(ContentLoadTest, TheLineIndexFindsEveryLineAPlainSplitFinds) {
    // Lines of every kind of end, with a CR LF and a lone CR across each block boundary the
    // index keeps, and more than one piece of the reader.
    std::string mixed;
    for (int i = 0; mixed.size() < 2 * LogReader::PieceBytes + 5000; ++i) {
        const std::size_t toBlock = LineIndex::BlockBytes - mixed.size() % LineIndex::BlockBytes;
        if (toBlock < 40) mixed += std::string(toBlock - 1, 'b') + (i % 2 ? "\r\n" : "\rx");
        mixed += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    }
    const std::size_t cut = LineIndex::BlockBytes * 3 - 1;  // between the CR and the LF
    const struct {
        const char* what;
        std::vector<std::string> texts;  // the file's bytes at each read, opened then followed
    } rows[] = {
        {"CR LF", {"a\r\nb\r\n"}},
        {"a lone CR", {"a\rb\r\rc"}},
        {"a lone LF", {"a\nb\n\nc"}},
        {"a NUL ends the text", {std::string("a\nb\0c\nd", 7)}},
        {"no final line end", {"one\ntwo"}},
        {"an empty file has no line", {""}},
        {"every kind across blocks and pieces", {mixed}},
        {"bytes appended in pieces across a boundary, a CR LF cut in two",
         {mixed.substr(0, cut), mixed.substr(0, cut + 1), mixed.substr(0, cut + 7), mixed}},
        {"a line appended to goes on", {"one\ntw", "one\ntwo\nthree"}},
        {"a truncation reads the text anew", {"1\n2\n3\n4\n", "5\n"}},
        {"a text replaced by one as long", {"aaaa\nbb", "cccc\ndd\ne"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        files.put("/w/log", row.texts.front());
        std::shared_ptr<LogReader> reader;
        const auto now = [](std::function<void()> work) { return work(), true; };
        LogReader::open(std::shared_ptr<const FileSystem>(&files, [](const FileSystem*) {}),
                        "/w/log", now, now,
                        [&](ContentLoad::Status, std::shared_ptr<LogReader> r) { reader = r; });
        ASSERT_TRUE(reader);
        for (const std::string& text : row.texts) {
            files.files["/w/log"].bytes = text;
            reader->refresh([](ContentLoad::Status) {});
            const std::vector<std::string> lines = plainSplit(text);
            const LogReader::Facts facts = reader->facts();
            ASSERT_TRUE(facts.indexWhole);
            ASSERT_EQ(facts.lineCount, std::int64_t(lines.size()));
            const auto lineAt = [&](LineAnchor anchor, std::int64_t at) {
                std::string bytes = "(none)";
                std::int64_t number = -2;
                reader->fetch(anchor, at, 0, 1, [&](LineBatch batch) {
                    if (batch.lines.empty()) return;
                    bytes = batch.lines[0].bytes;
                    number = batch.firstLine;
                });
                return std::pair(number, bytes);
            };
            std::int64_t start = 0;
            for (std::size_t n = 0; n < lines.size(); ++n) {
                // Every line of a short text; of a long one, a sample and those at the blocks'
                // boundaries.
                const bool nearBoundary =
                    std::abs(start % LineIndex::BlockBytes - LineIndex::BlockBytes / 2) >
                    LineIndex::BlockBytes / 2 - 40;
                if (lines.size() > 300 && n % 97 != 0 && !nearBoundary && n + 2 < lines.size()) {
                    start += std::int64_t(lines[n].size());
                    start += text.compare(std::size_t(start), 2, "\r\n") == 0 ? 2 : 1;
                    continue;
                }
                ASSERT_EQ(lineAt(LineAnchor::Line, std::int64_t(n)),
                          std::pair(std::int64_t(n), lines[n]))
                    << "line " << n;
                ASSERT_EQ(lineAt(LineAnchor::Offset, start + std::int64_t(lines[n].size()) / 2),
                          std::pair(std::int64_t(n), lines[n]))
                    << "the line that holds a byte of line " << n;
                start += std::int64_t(lines[n].size());
                start += text.compare(std::size_t(start), 2, "\r\n") == 0 ? 2 : 1;
            }
            if (!lines.empty()) {
                EXPECT_EQ(lineAt(LineAnchor::End, 0).second, lines.back());
            }
        }
    }
}

TEST(ContentErrorMessage, NamesTheFileByItsLastPart) {
    const struct {
        const char* what;
        std::string path;
        std::string name;
    } cases[] = {
        {"a full path gives its name", "/home/u/a.txt", "a.txt"},
        {"trailing blanks go", "/home/u/a.txt \t ", "a.txt"},
        {"inner blanks stay", "/home/u/a b.txt", "a b.txt"},
        {"a bare name is itself", "a.txt", "a.txt"},
        {"a path ending in a separator names nothing", "/home/u/", ""},
        {"a Shift-JIS name is converted", "/d/\x93\xFA\x96\x7B.txt", "日本.txt"},
        {"a 0x5C trail byte is no separator", "/d/\x95\x5C.txt", "表.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(contentErrorMessage(testing::realPlatform().codec(), c.path),
                  c.name + " はファイルを開けません。")
            << c.what;
}

TEST(ContentLoadOnDisk, ADirectoryOrAFifoIsNoFileAndIsNeverOpened) {
    const testing::TempFolder dir;
    Platform platform = testing::realPlatform().platform();
    EXPECT_EQ(loadContent(platform, dir.path()).status, ContentLoad::NoFile);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const ContentLoad fifo = loadContent(platform, dir / "pipe");
    EXPECT_EQ(fifo.status, ContentLoad::NoFile) << "not a regular file: no reader waits on it";
    EXPECT_EQ(fifo.utf8, "");
}

}  // namespace
}  // namespace morvane
