#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "AppError.h"
#include "AtomicReplace.h"
#include "Settings.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "morvane-settings-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    // The sorted names in a folder: what a replace leaves behind.
    std::vector<std::string> names(const std::string& folder = ".") const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(path_ / folder))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    fs::path path_;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

mode_t permissionsOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Makes every write past a few bytes fail, as a full disk would; root is bound by it too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }

private:
    sighandler_t oldHandler_;
    rlimit old_{};
};

TEST(ReplaceFileAtomically, ReplacesTheContentKeepingThePermissionsAndNothingBeside) {
    TempDir dir;
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(replaceFileAtomically(dir / "Morvane.ini", "new file"));
    ::umask(mask);
    EXPECT_EQ(permissionsOf(dir / "Morvane.ini"), 0644u) << "a new file as the umask has it";

    for (const mode_t mode : {0600u, 0640u, 0444u}) {
        ::chmod((dir / "Morvane.ini").c_str(), mode);
        ASSERT_TRUE(replaceFileAtomically(dir / "Morvane.ini", std::to_string(mode)));
        EXPECT_EQ(readFile(dir / "Morvane.ini"), std::to_string(mode));
        EXPECT_EQ(permissionsOf(dir / "Morvane.ini"), mode);
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Morvane.ini"});
}

TEST(ReplaceFileAtomically, ASymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    TempDir dir;
    fs::create_directory(dir / "real");
    writeFile(dir / "real/target.ini", "old");
    fs::create_symlink("real/target.ini", dir / "hop");
    fs::create_symlink("hop", dir / "Morvane.ini");
    fs::create_symlink(dir / "real/absent.ini", dir / "dangling.ini");

    ASSERT_TRUE(replaceFileAtomically(dir / "Morvane.ini", "through two links"));
    EXPECT_EQ(fs::read_symlink(dir / "Morvane.ini"), "hop");
    EXPECT_EQ(fs::read_symlink(dir / "hop"), "real/target.ini");
    EXPECT_EQ(readFile(dir / "real/target.ini"), "through two links");

    ASSERT_TRUE(replaceFileAtomically(dir / "dangling.ini", "created"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(readFile(dir / "real/absent.ini"), "created");
    EXPECT_EQ(dir.names("real"), (std::vector<std::string>{"absent.ini", "target.ini"}));
}

TEST(ReplaceFileAtomically, AReadOnlyDirectoryLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only directory";
    TempDir dir;
    fs::create_directory(dir / "ro");
    writeFile(dir / "ro/Morvane.ini", "old");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(replaceFileAtomically(dir / "ro/Morvane.ini", "new"));
    fs::permissions(dir / "ro", fs::perms::owner_all);
    EXPECT_EQ(readFile(dir / "ro/Morvane.ini"), "old");
}

// The settings file on disk: read as bytes, replaced through replaceFileAtomically.
class DiskFiles : public FileSystem {
public:
    std::optional<FileFacts> lookUp(const std::string&) override { return std::nullopt; }
    bool isFile(const std::string& path) override { return fs::is_regular_file(path); }
    ReadStatus readAll(const std::string& path, std::string& bytes, std::size_t) override {
        if (!fs::exists(path)) return ReadStatus::Missing;
        bytes = readFile(path);
        return ReadStatus::Ok;
    }
    bool replaceAll(const std::string& path, std::string_view bytes) override {
        return replaceFileAtomically(path, bytes);
    }
};

TEST(WriteSettingsOnDisk, AnUnwritableFileGivesTheErrorAndStaysWholeWithNothingBeside) {
    TempDir dir;
    writeFile(dir / "plain", "");
    writeFile(dir / "Morvane.ini", "[Color]\nNormal=255\n");
    DiskFiles files;

    struct Case {
        const char* sentence;
        std::string path;
        rlim_t sizeLimit;
    } const cases[] = {
        {"a directory that cannot hold files", dir / "plain/Morvane.ini", RLIM_INFINITY},
        {"a disk that fills up while writing", dir / "Morvane.ini", 8},
    };
    for (const Case& c : cases) {
        std::string message;
        {
            FileSizeLimit limit(c.sizeLimit);
            try {
                writeSettings(files, c.path, ClosingState{});
            } catch (const AppError& e) {
                message = e.what();
            }
        }
        EXPECT_EQ(message, c.path + " に書き込めません") << c.sentence;
    }
    EXPECT_EQ(readFile(dir / "Morvane.ini"), "[Color]\nNormal=255\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Morvane.ini", "plain"}));

    writeSettings(files, dir / "Morvane.ini", ClosingState{});
    EXPECT_EQ(readSettings(files, dir / "Morvane.ini").colours.normal, 255);
}

}  // namespace
}  // namespace morvane
