// The order of a save's steps on disk, seen through stand-ins for write, fsync, rename, link and
// close that this test program links ahead of the C library's: the new file's bytes must be on
// disk before its name replaces the old file, and the folder is synced after the rename. The
// first-start copy of a default file is on disk before it takes its name too. A save closes
// what it opens, and a close that fails fails the save.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "AtomicReplace.h"
#include "DataFolder.h"
#include "RealPlatform.h"

namespace {

std::string watchedFolder;  // with its trailing "/"
bool recording = false;
bool failTemporaryClose = false;
std::vector<std::string> calls;

std::string pathOf(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t length = ::readlink(link, target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// "folder", "temporary" for a hidden name, else the name.
std::string shown(const std::string& path) {
    if (path + "/" == watchedFolder) return "folder";
    const std::string name = path.substr(watchedFolder.size());
    return name.front() == '.' ? "temporary" : name;
}

bool watched(const std::string& path) {
    return path + "/" == watchedFolder || path.rfind(watchedFolder, 0) == 0;
}

// Records a call on a path in the watched folder; a run of writes counts once.
void record(const std::string& call) {
    if (calls.empty() || calls.back() != call) calls.push_back(call);
}

template <class Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* bytes, size_t count) {
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (recording && watched(pathOf(fd))) record("write " + shown(pathOf(fd)));
    return real(fd, bytes, count);
}

int fsync(int fd) {
    static const auto real = next<int (*)(int)>("fsync");
    if (recording && watched(pathOf(fd))) record("fsync " + shown(pathOf(fd)));
    return real(fd);
}

int fdatasync(int fd) {
    static const auto real = next<int (*)(int)>("fdatasync");
    if (recording && watched(pathOf(fd))) record("fsync " + shown(pathOf(fd)));
    return real(fd);
}

int rename(const char* from, const char* to) __THROW {
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    if (recording && watched(from)) record("rename " + shown(from) + " to " + shown(to));
    return real(from, to);
}

int link(const char* from, const char* to) __THROW {
    static const auto real = next<int (*)(const char*, const char*)>("link");
    if (recording && watched(from)) record("link " + shown(from) + " to " + shown(to));
    return real(from, to);
}

// The descriptor goes whatever close() returns; a failure says the data may not have reached
// the file, as NFS reports a write it could not complete.
int close(int fd) {
    static const auto real = next<int (*)(int)>("close");
    const bool fail = failTemporaryClose && watched(pathOf(fd)) && shown(pathOf(fd)) == "temporary";
    const int closed = real(fd);
    if (!fail || closed != 0) return closed;
    errno = EIO;
    return -1;
}
}

namespace morvane {
namespace {

TEST(SaveOrder, WriteThenSyncTheFileThenRenameThenSyncTheFolder) {
    const testing::TempFolder dir;
    watchedFolder = std::filesystem::canonical(dir.path()).string() + "/";
    dir.write("Morvane.ini", "old");
    calls.clear();
    recording = true;
    const bool saved = replaceFileAtomically(watchedFolder + "Morvane.ini", "new content");
    recording = false;
    ASSERT_TRUE(saved);
    EXPECT_EQ(calls, (std::vector<std::string>{"write temporary", "fsync temporary",
                                               "rename temporary to Morvane.ini", "fsync folder"}));
}

TEST(SaveOrder, TheFirstStartCopyIsOnDiskBeforeItTakesItsName) {
    const testing::TempFolder program;
    const testing::TempFolder data;
    program.write("Morvane.ini", "[Window]\r\n");
    watchedFolder = std::filesystem::canonical(data.path()).string() + "/";
    calls.clear();
    recording = true;
    const CopyOutcome copied =
        copyToNewFile(program / "Morvane.ini", watchedFolder + "Morvane.ini");
    recording = false;
    ASSERT_EQ(copied, CopyOutcome::Copied);
    EXPECT_EQ(calls, (std::vector<std::string>{"write temporary", "fsync temporary",
                                               "link temporary to Morvane.ini"}));
}

std::size_t openDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

TEST(SaveOrder, ASaveClosesItsTemporaryAndAFailingCloseFailsIt) {
    const testing::TempFolder dir;
    watchedFolder = std::filesystem::canonical(dir.path()).string() + "/";
    const std::string ini = watchedFolder + "Morvane.ini";
    ASSERT_TRUE(replaceFileAtomically(ini, "old"));
    const std::size_t before = openDescriptors();
    for (int save = 0; save < 100; ++save) ASSERT_TRUE(replaceFileAtomically(ini, "old"));
    EXPECT_EQ(openDescriptors(), before);

    failTemporaryClose = true;
    const bool saved = replaceFileAtomically(ini, "new");
    failTemporaryClose = false;
    EXPECT_FALSE(saved);
    EXPECT_EQ(dir.read("Morvane.ini"), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Morvane.ini"});
}

}  // namespace
}  // namespace morvane
