// The built program, copied into a folder of its own with a prepared watch list, started on a
// private X display and driven through its menus' access keys, as a user would.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "XSession.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using morvane::testing::waitForExit;
using morvane::testing::XSession;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

// A folder with its own copy of the program, removed afterwards.
class ProgramFolder {
public:
    ProgramFolder() {
        char tmpl[] = "/tmp/morvane-e2e-XXXXXX";
        dir_ = mkdtemp(tmpl);
        fs::copy_file(MORVANE_PROGRAM, dir_ / "morvane");
    }
    ~ProgramFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const fs::path& dir() const { return dir_; }
    std::string program() const { return (dir_ / "morvane").string(); }

private:
    fs::path dir_;
};

// A watch list line: enabled flag, the name filled to 20 bytes, the path.
std::string entry(const std::string& name, const fs::path& path) {
    std::string n = name;
    n.resize(20, ' ');
    return "1" + n + path.string() + "\r\n";
}

}  // namespace

TEST(RealWindow, MenusDriveRefreshSortAndExitAndTheSettingsAreWritten) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ProgramFolder folder;
    writeFile(folder.dir() / "small.log", "a");
    writeFile(folder.dir() / "large.log", std::string(5000, 'b'));
    writeFile(folder.dir() / "Filelst.txt", entry("large", folder.dir() / "large.log") +
                                                entry("small", folder.dir() / "small.log"));

    const pid_t pid = x.start({folder.program()}, folder.dir().string());
    const std::string window = x.waitForWindow("Morvane", 30s);
    ASSERT_FALSE(window.empty()) << "the main window did not appear";

    x.keys(window, {"alt+v", "r"});  // 表示 → 最新の情報に更新
    x.keys(window, {"alt+s", "z"});  // 並べ替え → サイズ順
    x.keys(window, {"alt+s", "d"});  // 並べ替え → 降順
    x.keys(window, {"alt+f", "x"});  // ファイル → 終了

    ASSERT_EQ(waitForExit(pid, 30s), 0);
    const std::string ini = readFile(folder.dir() / "Morvane.ini");
    EXPECT_NE(ini.find("[List]\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("SortKey=3\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("SortType=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Interval=60\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("[Color]"), std::string::npos) << ini;
    // The watch list is only ever written by the editor.
    EXPECT_EQ(readFile(folder.dir() / "Filelst.txt"),
              entry("large", folder.dir() / "large.log") +
                  entry("small", folder.dir() / "small.log"));
}
