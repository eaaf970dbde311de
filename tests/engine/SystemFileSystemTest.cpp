#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "CheckCycle.h"
#include "EngineTesting.h"
#include "FakePlatform.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::sjis;
using testing::watchLine;

class RealFolder : public ::testing::Test {
protected:
    std::string dir;
    FileSystem& files = testing::realPlatform().files();

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "morvane-engine-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::string& bytes,
                      LocalDateTime modified = {2021, 6, 15, 10, 20, 31}) {
        const std::string path = dir + name;
        std::ofstream(path, std::ios::binary) << bytes;
        std::tm parts{};
        parts.tm_year = modified.year - 1900;
        parts.tm_mon = modified.month - 1;
        parts.tm_mday = modified.day;
        parts.tm_hour = modified.hour;
        parts.tm_min = modified.minute;
        parts.tm_sec = modified.second;
        parts.tm_isdst = -1;
        const timespec times[2] = {{std::mktime(&parts), 0}, {std::mktime(&parts), 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }
};

TEST_F(RealFolder, LookupFollowsLinksAndAdmitsOnlyVisibleRegularFiles) {
    const std::string file = write("file.txt", "12345");
    fs::create_symlink(file, dir + "link");
    fs::create_symlink(dir + "nowhere", dir + "dangling");
    fs::create_directory(dir + "sub");
    fs::create_symlink(dir + "sub", dir + "dirlink");
    ASSERT_EQ(::mkfifo((dir + "fifo").c_str(), 0600), 0);
    write(".hidden", "x");

    const std::optional<FileFacts> facts = files.lookUp(file);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, 5);
    EXPECT_TRUE(facts->modified == (LocalDateTime{2021, 6, 15, 10, 20, 31}));
    EXPECT_TRUE(files.lookUp(dir + "link"));

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
        {"fifo", false, true, ReadStatus::Failed},
        {".hidden", false, true, ReadStatus::Ok},
    };
    for (const Row& row : rows) {
        std::string bytes;
        EXPECT_EQ(files.lookUp(dir + row.name).has_value(), row.found) << row.name;
        EXPECT_EQ(files.isFile(dir + row.name), row.isFile) << row.name;
        EXPECT_EQ(files.readAll(dir + row.name, bytes, 100), row.read) << row.name;
    }
    EXPECT_FALSE(files.lookUp(file + std::string(1, '\0') + "x"));
}

TEST_F(RealFolder, ReadingStopsAtTheSizeLimit) {
    const std::string file = write("data", std::string(100, 'x'));
    std::string bytes;
    EXPECT_EQ(files.readAll(file, bytes, 100), ReadStatus::Ok);
    EXPECT_EQ(bytes.size(), 100u);
    EXPECT_EQ(files.readAll(file, bytes, 99), ReadStatus::Failed);
    EXPECT_EQ(files.readAll(write("empty", ""), bytes, 99), ReadStatus::Ok);
    EXPECT_TRUE(bytes.empty());
}

TEST_F(RealFolder, ACheckFindsRealFilesAndSeesThemChange) {
    write(std::string("日本語.txt"), "abc", {2021, 6, 15, 10, 20, 31});
    fs::create_symlink(dir + "日本語.txt", dir + "link");
    ASSERT_EQ(::mkfifo((dir + "fifo").c_str(), 0600), 0);
    write(".hidden", "x");
    const std::string sjisDir = sjis(dir);
    WatchList watchList;
    for (const std::string name : {"日本語.txt", "link", "fifo", ".hidden", "none"})
        watchList.push_back(watchLine("n", sjisDir + sjis(name)));

    testing::FakeClock clock;
    Platform platform{files, clock, testing::realPlatform().codec(),
                      testing::realPlatform().collator()};
    Records records;
    runCheck(platform, watchList, records, true, {});
    std::string states;
    for (const std::string& record : records) states += stateOf(record);
    EXPECT_EQ(states, "00999");
    EXPECT_EQ(cutField(records[0], StampText), "2021/06/15 10:20:30");
    EXPECT_EQ(cutField(records[0], SizeText), "0000000003");

    write("日本語.txt", "abcd", {2024, 3, 2, 7, 0, 0});
    runCheck(platform, watchList, records, false, {});
    states.clear();
    for (const std::string& record : records) states += stateOf(record);
    EXPECT_EQ(states, "11999");
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
