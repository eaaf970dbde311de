// Saves killed at random moments: the file is always one whole content, and what a killed save
// leaves beside it goes at the next clean-up.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "AtomicReplace.h"
#include "RealPlatform.h"

namespace morvane {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;

constexpr int Kills = 300;

// Saves the two contents in turn until killed; tells the parent through ready when it starts.
[[noreturn]] void saveForever(const std::string& path, const std::string (&contents)[2],
                              int ready) {
    const char started = 's';
    static_cast<void>(::write(ready, &started, 1));
    ::close(ready);
    for (unsigned n = 0;; ++n) replaceFileAtomically(path, contents[n % 2]);
}

TEST(KillDuringSave, TheFileIsAlwaysWholeAndNoTemporaryOutlivesTheNextCleanUp) {
    const TempFolder dir;
    const std::string path = dir / "Morvane.ini";
    const std::string contents[2] = {std::string(64 * 1024, 'a'), std::string(40 * 1024, 'b')};
    ASSERT_TRUE(replaceFileAtomically(path, contents[0]));

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> microseconds(0, 3000);
    int leftBehind = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            saveForever(path, contents, ready[1]);
        }
        ::close(ready[1]);
        char started = 0;
        ASSERT_EQ(::read(ready[0], &started, 1), 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(microseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string now = dir.read("Morvane.ini");
        ASSERT_TRUE(now == contents[0] || now == contents[1])
            << "kill " << kill << " left " << now.size() << " bytes";
        if (dir.names().size() > 1) ++leftBehind;
        removeLeftoverTemporaries(path);
        ASSERT_EQ(dir.names(), Names{"Morvane.ini"}) << "kill " << kill;
    }
    EXPECT_GT(leftBehind, 0) << "no kill landed inside a save";
    RecordProperty("KillsThatLeftATemporary", leftBehind);
}

}  // namespace
}  // namespace morvane
