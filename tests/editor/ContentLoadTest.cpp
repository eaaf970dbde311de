#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "ContentLoad.h"
#include "FakePlatform.h"
#include "SystemPlatform.h"

namespace morvane {
namespace {

using testing::FakeClock;
using testing::FakeFile;
using testing::FakeFileSystem;

class ContentLoadTest : public ::testing::Test {
protected:
    SystemPlatform system;
    FakeFileSystem files;
    FakeClock clock;
    Platform platform{files, clock, system.codec(), system.collator()};

    ContentLoad loadBytes(std::string bytes) {
        files.put("/w/a.txt", std::move(bytes));
        return loadContent(platform, "/w/a.txt");
    }
};

struct TextCase {
    const char* what;
    std::string bytes;
    std::string shown;  // UTF-8
};

TEST_F(ContentLoadTest, ShowsUtf8AsItIsAndAnythingElseAsShiftJis) {
    const TextCase cases[] = {
        {"plain ASCII stays", "abc 123", "abc 123"},
        {"valid UTF-8 stays UTF-8", "日本語テキスト", "日本語テキスト"},
        {"Shift-JIS double-byte text is converted", "\x93\xFA\x96\x7B\x8C\xEA", "日本語"},
        {"Shift-JIS half-width kana are converted", "\xB1\xB2\xB3", "ｱｲｳ"},
        {"an overlong UTF-8 form is read as Shift-JIS", "\xC0\xAF", "ﾀｯ"},
        {"a UTF-8 byte-order mark is left out", "\xEF\xBB\xBFtext", "text"},
        {"an empty file is empty text", "", ""},
    };
    for (const TextCase& c : cases) {
        const ContentLoad result = loadBytes(c.bytes);
        EXPECT_EQ(result.status, ContentLoad::Loaded) << c.what;
        EXPECT_EQ(result.utf8, c.shown) << c.what;
    }
}

TEST_F(ContentLoadTest, BytesThatOnlyLookLikeUtf8AreReadAsShiftJis) {
    const std::string lookalikes[] = {
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xE0\x80\x80",      // an overlong three-byte form
        "\xE3\x81",          // a character cut at the end
    };
    for (const std::string& bytes : lookalikes) {
        const ContentLoad result = loadBytes(bytes);
        EXPECT_EQ(result.status, ContentLoad::Loaded);
        EXPECT_NE(result.utf8, bytes);
    }
}

TEST_F(ContentLoadTest, EveryKindOfLineEndBecomesOneLineBreak) {
    const TextCase cases[] = {
        {"CR LF", "a\r\nb\r\n", "a\nb\n"},
        {"lone CR", "a\rb\r", "a\nb\n"},
        {"lone LF", "a\nb", "a\nb"},
        {"CR CR LF is two breaks", "a\r\r\nb", "a\n\nb"},
        {"LF CR is two breaks", "a\n\rb", "a\n\nb"},
        {"mixed in Shift-JIS text", "\x93\xFA\r\n\x96\x7B\r\x8C\xEA", "日\n本\n語"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(loadBytes(c.bytes).utf8, c.shown) << c.what;
}

TEST_F(ContentLoadTest, ANulByteEndsTheText) {
    EXPECT_EQ(loadBytes(std::string("abc\0def", 7)).utf8, "abc");
    EXPECT_EQ(loadBytes(std::string("\x93\xFA\0\xFF\xFF", 5)).utf8, "日");
    EXPECT_EQ(loadBytes(std::string("\0abc", 4)).utf8, "");
}

TEST_F(ContentLoadTest, MissingFilesAndDirectoriesAreNoFile) {
    EXPECT_EQ(loadContent(platform, "/w/none.txt").status, ContentLoad::NoFile);
    files.put("/w/dir").kind = FakeFile::Directory;
    EXPECT_EQ(loadContent(platform, "/w/dir").status, ContentLoad::NoFile);
}

TEST_F(ContentLoadTest, AnUnreadableFileFails) {
    files.put("/w/locked.txt", "text").kind = FakeFile::Unreadable;
    const ContentLoad result = loadContent(platform, "/w/locked.txt");
    EXPECT_EQ(result.status, ContentLoad::Failed);
    EXPECT_EQ(result.utf8, "");
}

TEST_F(ContentLoadTest, AFileLargerThanTheLimitFailsAndOneAtTheLimitLoads) {
    EXPECT_EQ(loadBytes(std::string(MaxContentBytes + 1, 'x')).status, ContentLoad::Failed);
    EXPECT_EQ(loadBytes(std::string(MaxContentBytes, 'x')).status, ContentLoad::Loaded);
}

TEST_F(ContentLoadTest, AShiftJisPathIsOpenedByItsNativeName) {
    files.put("/w/日本.txt", "text");
    EXPECT_EQ(loadContent(platform, "/w/\x93\xFA\x96\x7B.txt").utf8, "text");
}

TEST_F(ContentLoadTest, TrailingBlanksOfAPathAreIgnoredOnlyWhenTheyNameNoFile) {
    files.put("/w/a.txt", "plain");
    EXPECT_EQ(loadContent(platform, "/w/a.txt  ").utf8, "plain");
    files.put("/w/a.txt  ", "blanks");
    EXPECT_EQ(loadContent(platform, "/w/a.txt  ").utf8, "blanks");
    EXPECT_EQ(loadContent(platform, "/w/b.txt ").status, ContentLoad::NoFile);
}

TEST(ContentErrorMessageTest, NamesTheFileByItsLastPart) {
    SystemPlatform system;
    const Platform platform = system.platform();
    const struct {
        const char* what;
        std::string path;
        std::string message;
    } cases[] = {
        {"a full path gives its name", "/home/u/a.txt", "a.txt はファイルを開けません。"},
        {"trailing blanks go", "/home/u/a.txt \t ", "a.txt はファイルを開けません。"},
        {"inner blanks stay", "/home/u/a b.txt", "a b.txt はファイルを開けません。"},
        {"a bare name is itself", "a.txt", "a.txt はファイルを開けません。"},
        {"a path ending in a separator names nothing", "/home/u/", " はファイルを開けません。"},
        {"a Shift-JIS name is converted", "/d/\x93\xFA\x96\x7B.txt",
         "日本.txt はファイルを開けません。"},
        {"a 0x5C trail byte is no separator", "/d/\x95\x5C.txt", "表.txt はファイルを開けません。"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(contentErrorMessage(platform, c.path), c.message) << c.what;
}

// The real file system: the point here is what the platform does with odd files.
class ContentLoadOnDiskTest : public ::testing::Test {
protected:
    SystemPlatform system;
    Platform platform = system.platform();
    std::filesystem::path dir;

    void SetUp() override {
        char pattern[] = "/tmp/morvane-content-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(ContentLoadOnDiskTest, ADirectoryIsNoFile) {
    EXPECT_EQ(loadContent(platform, dir.string()).status, ContentLoad::NoFile);
}

TEST_F(ContentLoadOnDiskTest, AFifoNeverHangsAndIsNeverLoaded) {
    const std::string fifo = (dir / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(loadContent(platform, fifo).status, ContentLoad::Loaded);
}

}  // namespace
}  // namespace morvane
