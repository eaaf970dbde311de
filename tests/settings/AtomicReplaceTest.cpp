#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AtomicReplace.h"
#include "FakePlatform.h"
#include "Settings.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::Failure;
using testing::failureOf;
using testing::permissionsOf;
using testing::TempFolder;
using Names = std::vector<std::string>;

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
    const TempFolder dir;
    const std::string ini = dir / "Morvane.ini";
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(replaceFileAtomically(ini, "new file"));
    ::umask(mask);
    EXPECT_EQ(permissionsOf(ini), 0644u) << "a new file as the umask has it";

    for (const mode_t mode : {0600u, 0640u, 0444u}) {
        ::chmod(ini.c_str(), mode);
        ASSERT_TRUE(replaceFileAtomically(ini, std::to_string(mode)));
        EXPECT_EQ(dir.read("Morvane.ini"), std::to_string(mode));
        EXPECT_EQ(permissionsOf(ini), mode);
    }
    EXPECT_EQ(dir.names(), Names{"Morvane.ini"});
}

TEST(ReplaceFileAtomically, ASymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    const TempFolder dir;
    fs::create_directory(dir / "real");
    dir.write("real/target.ini", "old");
    fs::create_symlink("real/target.ini", dir / "hop");
    fs::create_symlink("hop", dir / "Morvane.ini");
    fs::create_symlink(dir / "real/absent.ini", dir / "dangling.ini");

    ASSERT_TRUE(replaceFileAtomically(dir / "Morvane.ini", "through two links"));
    EXPECT_EQ(fs::read_symlink(dir / "Morvane.ini"), "hop");
    EXPECT_EQ(fs::read_symlink(dir / "hop"), "real/target.ini");
    EXPECT_EQ(dir.read("real/target.ini"), "through two links");

    ASSERT_TRUE(replaceFileAtomically(dir / "dangling.ini", "created"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(dir.read("real/absent.ini"), "created");
    EXPECT_EQ(dir.names("real"), (Names{"absent.ini", "target.ini"}));
}

TEST(ReplaceFileAtomically, AReadOnlyDirectoryLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only directory";
    const TempFolder dir;
    fs::create_directory(dir / "ro");
    dir.write("ro/Morvane.ini", "old");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(replaceFileAtomically(dir / "ro/Morvane.ini", "new"));
    fs::permissions(dir / "ro", fs::perms::owner_all);
    EXPECT_EQ(dir.read("ro/Morvane.ini"), "old");
}

TEST(ReplaceFileAtomically, AFifoIsNeitherReplacedNorOpened) {
    const TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "Morvane.ini").c_str(), 0600), 0);
    EXPECT_FALSE(replaceFileAtomically(dir / "Morvane.ini", "new"));
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "Morvane.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(dir.names(), Names{"Morvane.ini"});
}

// The id of a process that has ended.
std::string endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return std::to_string(child);
}

// A child of this process that runs until the object goes.
class RunningProcess {
public:
    RunningProcess() : pid_(::fork()) {
        if (pid_ == 0) {
            ::pause();
            ::_exit(0);
        }
    }
    ~RunningProcess() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;
    std::string id() const { return std::to_string(pid_); }

private:
    pid_t pid_;
};

TEST(ReplaceFileAtomically, ASaveRemovesTheLeftoversOfEarlierSavesOfThatFileAndNothingElse) {
    const TempFolder dir;
    const std::string ended = endedProcess();
    const std::string self = std::to_string(::getpid());
    const RunningProcess running;
    const struct {
        const char* sentence;
        std::string name;
        bool removed;
    } cases[] = {
        {"an ended process's temporary", ".Morvane.ini." + ended + ".0.1a2b", true},
        {"a long counter and ticks", ".Morvane.ini." + ended + ".ffffffff.123456789abcdef", true},
        {"this process's own earlier one", ".Morvane.ini." + self + ".3.ff", true},
        {"a running process's temporary", ".Morvane.ini." + running.id() + ".0.1a2b", false},
        // Process 1 is root's: for any other user, asking whether it runs gives EPERM.
        {"the temporary of another user's running process", ".Morvane.ini.1.0.1a2b", false},
        {"another file's temporary", ".Filelst.txt." + ended + ".0.1a2b", false},
        {"a longer name", ".Morvane.ini2." + ended + ".0.1", false},
        {"not hidden", "Morvane.ini." + ended + ".0.1a2b", false},
        {"capital hexadecimal digits", ".Morvane.ini." + ended + ".0.1A2B", false},
        {"a field missing", ".Morvane.ini." + ended + ".0", false},
        {"a field too many", ".Morvane.ini." + ended + ".0.1.2", false},
        {"a dot at the end", ".Morvane.ini." + ended + ".0.1.", false},
        {"a sign before the process", ".Morvane.ini.-" + ended + ".0.1", false},
        {"a zero before the process", ".Morvane.ini.0" + ended + ".0.1", false},
        {"process 0", ".Morvane.ini.0.0.1", false},
    };
    Names kept = {"Morvane.ini"};
    for (const auto& c : cases) {
        dir.write(c.name, "half");
        if (!c.removed) kept.push_back(c.name);
    }
    // Only regular files are removed.
    const std::string folder = ".Morvane.ini." + ended + ".1.1";
    const std::string link = ".Morvane.ini." + ended + ".2.1";
    fs::create_directory(dir / folder);
    fs::create_symlink("Morvane.ini", dir / link);
    kept.insert(kept.end(), {folder, link});
    std::sort(kept.begin(), kept.end());

    ASSERT_TRUE(replaceFileAtomically(dir / "Morvane.ini", "whole"));
    EXPECT_EQ(dir.names(), kept);
    EXPECT_EQ(dir.read("Morvane.ini"), "whole");
}

TEST(WriteSettingsOnDisk, AnUnwritableFileGivesTheErrorAndStaysWholeWithNothingBeside) {
    const TempFolder dir;
    dir.write("plain", "");
    dir.write("Morvane.ini", "[Color]\nNormal=255\n");
    FileSystem& files = testing::realPlatform().files();

    const struct {
        const char* sentence;
        std::string path;
        rlim_t sizeLimit;
    } cases[] = {
        {"a directory that cannot hold files", dir / "plain/Morvane.ini", RLIM_INFINITY},
        {"a disk that fills up while writing", dir / "Morvane.ini", 8},
    };
    for (const auto& c : cases) {
        const FileSizeLimit limit(c.sizeLimit);
        EXPECT_EQ(failureOf([&] { writeSettings(files, c.path, ClosingState{}); }),
                  Failure(FileError::CannotWriteSettings, c.path))
            << c.sentence;
    }
    EXPECT_EQ(dir.read("Morvane.ini"), "[Color]\nNormal=255\n");
    EXPECT_EQ(dir.names(), (Names{"Morvane.ini", "plain"}));

    writeSettings(files, dir / "Morvane.ini", ClosingState{});
    EXPECT_EQ(readSettings(files, dir / "Morvane.ini").colours.normal, 255);
}

}  // namespace
}  // namespace morvane
