// The built program, copied into a folder of its own with a prepared watch list, started on a
// private X display and driven through its menus' access keys, as a user would.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "WatchLine.h"
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

// A watch list line with its CR LF.
std::string entry(const std::string& name, const fs::path& path) {
    return morvane::makeWatchLine(name, path.string()) + "\r\n";
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
    EXPECT_EQ(
        readFile(folder.dir() / "Filelst.txt"),
        entry("large", folder.dir() / "large.log") + entry("small", folder.dir() / "small.log"));
}

namespace {

// Ends the program when a failed assertion leaves the test before it exits by itself.
struct ProgramGuard {
    pid_t pid;
    ~ProgramGuard() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

// Polls until the condition holds or the limit passes; returns whether it held.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

// A window's pixels as ImageMagick's import grabs them, RGB, row by row.
struct Grab {
    int width = 0;
    int height = 0;
    std::string rgb;

    bool is(int x, int y, unsigned char r, unsigned char g, unsigned char b) const {
        const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
        return static_cast<unsigned char>(rgb[at]) == r &&
               static_cast<unsigned char>(rgb[at + 1]) == g &&
               static_cast<unsigned char>(rgb[at + 2]) == b;
    }
    // Yellow (255,255,0), or yellow smoothed into a black background at a glyph's edge.
    bool isYellowOnBlack(int x, int y) const {
        const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
        const auto r = static_cast<unsigned char>(rgb[at]);
        return r >= 128 && static_cast<unsigned char>(rgb[at + 1]) == r && rgb[at + 2] == 0;
    }
};

Grab grabWindow(const XSession& x, const std::string& window) {
    Grab grab;
    const std::string command =
        "DISPLAY=" + x.display() + " import -window " + window + " -depth 8 ppm:- 2>/dev/null";
    std::string ppm;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) ppm.append(buf, n);
        pclose(p);
    }
    // "P6", width, height and the largest value, each after blanks, then one blank.
    std::size_t at = 0;
    auto number = [&]() {
        while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
        int value = 0;
        while (at < ppm.size() && std::isdigit(static_cast<unsigned char>(ppm[at])))
            value = value * 10 + (ppm[at++] - '0');
        return value;
    };
    if (ppm.compare(0, 2, "P6") != 0) return grab;
    at = 2;
    const int width = number();
    const int height = number();
    const int maxValue = number();
    ++at;
    if (maxValue != 255 || ppm.size() < at + std::size_t(width) * std::size_t(height) * 3)
        return grab;
    grab.width = width;
    grab.height = height;
    grab.rgb = ppm.substr(at, std::size_t(width) * std::size_t(height) * 3);
    return grab;
}

// Where the yellow text pixels are: a file modified today draws in yellow on black.
struct YellowRows {
    int listTop = -1;  // the first line of the record list's black
    int first = -1;
    int last = -1;
    int pixels = 0;
};

YellowRows findYellowRows(const Grab& g) {
    YellowRows found;
    // The list starts below the menu bar and the 17-pixel header: the first line that is black
    // all the way across its middle.
    for (int y = 0; y < g.height && found.listTop < 0; ++y) {
        bool black = g.width > 40;
        for (int x = 20; black && x < g.width - 20; ++x) black = g.is(x, y, 0, 0, 0);
        if (black) found.listTop = y;
    }
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            if (g.isYellowOnBlack(x, y)) {
                ++found.pixels;
                if (found.first < 0) found.first = y;
                found.last = y;
            }
    return found;
}

// Red text on black: a file changed at this check, or red smoothed into the black at a glyph's
// edge.
int redPixels(const Grab& g, int top, int bottom) {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, g.height); ++y)
        for (int x = 0; x < g.width; ++x) {
            const std::size_t at = (std::size_t(y) * std::size_t(g.width) + std::size_t(x)) * 3;
            if (static_cast<unsigned char>(g.rgb[at]) >= 128 && g.rgb[at + 1] == 0 &&
                g.rgb[at + 2] == 0)
                ++n;
        }
    return n;
}

}  // namespace

TEST(RealWindow, TheEditorOpenedFromTheMenuAddsAFileThatOkWritesAndTheTableShows) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ProgramFolder folder;
    const fs::path watched = folder.dir() / "watched.txt";
    writeFile(watched, "today");

    const pid_t pid = x.start({folder.program()}, folder.dir().string());
    ProgramGuard guard{pid};
    const std::string window = x.waitForWindow("Morvane", 30s);
    ASSERT_FALSE(window.empty()) << "the main window did not appear";

    x.keys(window, {"alt+e", "f"});  // 設定 → 監視ファイル設定
    const std::string dialog = x.waitForWindow("監視ファイル設定", 30s);
    ASSERT_FALSE(dialog.empty()) << "the editor did not appear";

    // The name box has the focus; the file box is next in the tab order.
    x.run("xdotool windowfocus --sync " + dialog);
    x.run("xdotool type --delay 20 'memo'");
    x.keys(dialog, {"Tab"});
    x.run("xdotool type --delay 20 '" + watched.string() + "'");
    // An access key clicks its button without taking the focus from the file box; OK is seven
    // steps on: the list, 参照, 追加, 削除, 上へ, 下へ, OK.
    x.keys(dialog, {"alt+a", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "space"});
    const auto editorShown = [&] {
        return !x.run("xdotool search --onlyvisible --name '^監視ファイル設定$'").empty();
    };
    ASSERT_TRUE(waitUntil([&] { return !editorShown(); }, 10s))
        << "the editor did not close: OK was not the button pressed";

    std::string name = "memo";
    name.resize(20, ' ');
    EXPECT_EQ(readFile(folder.dir() / "Filelst.txt"), "1" + name + watched.string() + "\r\n");

    YellowRows rows;
    Grab grab;
    waitUntil(
        [&] {
            grab = grabWindow(x, window);
            rows = findYellowRows(grab);
            return rows.pixels >= 50;
        },
        10s);
    ASSERT_GT(grab.width, 0) << "the window could not be grabbed";
    ASSERT_GT(rows.listTop, 17) << "no record list below the header";
    EXPECT_GE(rows.pixels, 50) << "no yellow text: the row of a file modified today is missing";
    EXPECT_GE(rows.first, rows.listTop);
    EXPECT_LT(rows.last, rows.listTop + 15) << "yellow below the first row";

    x.keys(window, {"alt+f", "x"});  // ファイル → 終了
    EXPECT_EQ(waitForExit(pid, 30s), 0);
    guard.pid = -1;
}

TEST(RealWindow, AFileThatNeverAnswersFreezesNothing) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ProgramFolder folder;
    const fs::path share = folder.dir() / "share.log";  // every stat or open of it hangs
    const fs::path local = folder.dir() / "local.log";
    writeFile(share, "s");
    writeFile(local, "l");
    writeFile(folder.dir() / "Filelst.txt", entry("share", share) + entry("local", local));
    writeFile(folder.dir() / "Morvane.ini", "[List]\r\nInterval=1\r\n");

    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = x.start(
        {"/usr/bin/env", "LD_PRELOAD=" MORVANE_HANG_SHIM, "MORVANE_HANG_PATH=" + share.string(),
         "ASAN_OPTIONS=verify_asan_link_order=0", folder.program()},
        folder.dir().string());
    ProgramGuard guard{pid};
    const std::string window = x.waitForWindow("Morvane", 30s);
    ASSERT_FALSE(window.empty()) << "the main window did not appear";
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << "the window waited for the share";

    // The other file is still checked, and shown red when it changes. The rows are in watch
    // list order: the share first, then the local file.
    const auto localRowRed = [&] {
        const Grab g = grabWindow(x, window);
        const YellowRows rows = findYellowRows(g);
        return rows.listTop > 0 && redPixels(g, rows.listTop + 15, rows.listTop + 30) > 20;
    };
    std::this_thread::sleep_for(2500ms);  // the file's time moves on by a step of two seconds
    writeFile(local, "changed");
    EXPECT_TRUE(waitUntil(localRowRed, 10s)) << "the local file's change was not shown";

    // The share's row chosen, and its content asked for, then the program ended from its menu.
    const Grab g = grabWindow(x, window);
    const int listTop = findYellowRows(g).listTop;
    ASSERT_GT(listTop, 0);
    x.run("xdotool mousemove --window " + window + " 40 " + std::to_string(listTop + 7) +
          " click 1");
    x.keys(window, {"alt+v", "d"});  // 表示 → 内容表示
    x.keys(window, {"alt+s", "z"});  // 並べ替え → サイズ順
    x.keys(window, {"alt+f", "x"});  // ファイル → 終了
    EXPECT_EQ(waitForExit(pid, 10s), 0) << "the program did not end while the share hung";
    guard.pid = -1;
    EXPECT_NE(readFile(folder.dir() / "Morvane.ini").find("SortKey=3\r\n"), std::string::npos);
}

namespace {

// Sets an environment variable for the programs the test starts, and puts it back.
class EnvironmentSetting {
public:
    EnvironmentSetting(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentSetting() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A session bus of its own (dbus-run-session) with the notification service on it, which
// appends a line to its log for each Notify call.
class NotificationBus {
public:
    explicit NotificationBus(const fs::path& log) : log_(log) {
        runner_ = fork();
        if (runner_ == 0) {
            execlp("dbus-run-session", "dbus-run-session", "--", MORVANE_FAKE_NOTIFICATIONS,
                   log.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const fs::path ready = log.string() + ".ready";
        if (!waitUntil([&] { return fs::exists(ready); }, 10s)) return;
        std::istringstream lines(readFile(ready));
        lines >> service_ >> address_;
    }
    ~NotificationBus() {
        // The bus ends with the service it was started for.
        if (service_ > 0) kill(service_, SIGTERM);
        if (runner_ > 0) waitForExit(runner_, 10s);
    }

    const std::string& address() const { return address_; }
    // One line a call: the icon, the summary and the body, separated by tabs.
    std::string calls() const { return readFile(log_); }

private:
    fs::path log_;
    pid_t runner_ = -1;
    pid_t service_ = -1;
    std::string address_;
};

}  // namespace

TEST(RealWindow, TheRowMenuOpensTheFolderAndCopiesThePathAndAChangeIsNotifiedOnce) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ProgramFolder folder;
    const fs::path watched = folder.dir() / "watched.txt";
    writeFile(watched, "today");
    writeFile(folder.dir() / "Filelst.txt", entry("watched", watched));
    writeFile(folder.dir() / "Morvane.ini", "[List]\r\nNotify=1\r\n");
    // The desktop's opener, first on the path, writes down what it was asked to open.
    fs::create_directory(folder.dir() / "bin");
    const fs::path opened = folder.dir() / "opened.txt";
    writeFile(folder.dir() / "bin" / "xdg-open",
              "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + opened.string() + "'\n");
    fs::permissions(folder.dir() / "bin" / "xdg-open", fs::perms::owner_all);
    const EnvironmentSetting path("PATH",
                                  (folder.dir() / "bin").string() + ":" + std::getenv("PATH"));
    NotificationBus bus(folder.dir() / "notify.log");
    ASSERT_FALSE(bus.address().empty()) << "the notification service did not start";
    const EnvironmentSetting address("DBUS_SESSION_BUS_ADDRESS", bus.address());

    const pid_t pid = x.start({folder.program()}, folder.dir().string());
    ProgramGuard guard{pid};
    const std::string window = x.waitForWindow("Morvane", 30s);
    ASSERT_FALSE(window.empty()) << "the main window did not appear";

    // The row of a file modified today is drawn in yellow.
    YellowRows rows;
    waitUntil(
        [&] {
            rows = findYellowRows(grabWindow(x, window));
            return rows.pixels >= 20;
        },
        10s);
    ASSERT_GE(rows.first, 0) << "no row";
    const std::string rightClick = "xdotool mousemove --window " + window + " 40 " +
                                   std::to_string(rows.first + 3) + " click 3";
    x.run(rightClick);
    std::this_thread::sleep_for(300ms);
    x.run("xdotool key f");  // フォルダを開く
    EXPECT_TRUE(waitUntil([&] { return fs::exists(opened); }, 10s)) << "no opener was run";
    EXPECT_EQ(readFile(opened), "file://" + folder.dir().string() + "\n");

    x.run(rightClick);
    std::this_thread::sleep_for(300ms);
    x.run("xdotool key c");  // パスをコピー
    EXPECT_TRUE(
        waitUntil([&] { return x.run("xclip -selection clipboard -o") == watched.string(); }, 10s))
        << x.run("xclip -selection clipboard -o");

    // A file changed after the start, seen by a refresh.
    fs::last_write_time(watched, fs::last_write_time(watched) + 10s);
    x.keys(window, {"alt+v", "r"});  // 表示 → 最新の情報に更新
    EXPECT_TRUE(waitUntil([&] { return !bus.calls().empty(); }, 10s)) << "no notification";
    x.keys(window, {"alt+v", "r"});  // nothing changed since
    x.keys(window, {"alt+f", "x"});
    EXPECT_EQ(waitForExit(pid, 30s), 0);
    guard.pid = -1;
    EXPECT_EQ(bus.calls(), "morvane\tファイルが更新されました\twatched\n");
}

namespace {

// The main window of one process, once it shows.
std::string windowOf(const XSession& x, pid_t pid) {
    std::string id;
    waitUntil(
        [&] {
            id = x.run("xdotool search --all --onlyvisible --pid " + std::to_string(pid) +
                       " --name '^Morvane$' | head -n 1");
            return !id.empty();
        },
        30s);
    return id;
}

}  // namespace

TEST(RealWindow, AChangedSortIsOnDiskBeforeAKillAndASignalClosesAsExitDoes) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ProgramFolder folder;
    // No session bus: the lock file keeps the folder to one copy.
    const EnvironmentSetting noBus("DBUS_SESSION_BUS_ADDRESS",
                                   "unix:path=" + (folder.dir() / "no-bus").string());
    const fs::path ini = folder.dir() / "Morvane.ini";

    ProgramGuard guard{x.start({folder.program()}, folder.dir().string())};
    ASSERT_FALSE(windowOf(x, guard.pid).empty()) << "the main window did not appear";
    EXPECT_EQ(waitForExit(x.start({folder.program()}, folder.dir().string()), 30s), 0)
        << "a second copy ran on the same folder";
    NotificationBus bus(folder.dir() / "notify.log");
    const std::vector<std::string> withBus = {
        "/usr/bin/env", "DBUS_SESSION_BUS_ADDRESS=" + bus.address(), folder.program()};
    EXPECT_EQ(waitForExit(x.start(withBus, folder.dir().string()), 30s), 0)
        << "a copy with a session bus ran beside one without";
    x.keys(windowOf(x, guard.pid), {"alt+s", "z"});  // 並べ替え → サイズ順
    std::this_thread::sleep_for(3s);
    kill(guard.pid, SIGKILL);
    waitForExit(guard.pid, 10s);
    EXPECT_NE(readFile(ini).find("SortKey=3\r\n"), std::string::npos) << readFile(ini);

    // The lock the killed copy left is taken over.
    guard.pid = x.start({folder.program()}, folder.dir().string());
    const std::string window = windowOf(x, guard.pid);
    ASSERT_FALSE(window.empty()) << "the program did not start after a kill";
    x.keys(window, {"alt+s", "d"});  // 並べ替え → 降順
    kill(guard.pid, SIGTERM);
    EXPECT_EQ(waitForExit(guard.pid, 30s), 0);
    guard.pid = -1;
    EXPECT_NE(readFile(ini).find("SortType=1\r\n"), std::string::npos) << readFile(ini);
}

TEST(RealWindow, ASecondStartOnTheSameFolderActivatesTheFirstWindowAndEnds) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ProgramFolder first;
    ProgramFolder other;
    writeFile(other.dir() / "Morvane.ini", "[Window]\r\nTop=400\r\n");  // below the first
    NotificationBus bus(first.dir() / "notify.log");
    ASSERT_FALSE(bus.address().empty()) << "the session bus did not start";
    const EnvironmentSetting address("DBUS_SESSION_BUS_ADDRESS", bus.address());

    const fs::path share = first.dir() / "share.log";  // every stat or open of it hangs
    writeFile(share, "s");
    ProgramGuard firstCopy{x.start(
        {"/usr/bin/env", "LD_PRELOAD=" MORVANE_HANG_SHIM, "MORVANE_HANG_PATH=" + share.string(),
         "ASAN_OPTIONS=verify_asan_link_order=0", first.program()},
        first.dir().string())};
    const std::string firstWindow = windowOf(x, firstCopy.pid);
    ProgramGuard otherCopy{x.start({other.program()}, other.dir().string())};
    const std::string otherWindow = windowOf(x, otherCopy.pid);
    ASSERT_FALSE(firstWindow.empty() || otherWindow.empty()) << "a window did not appear";

    x.run("xdotool windowfocus --sync " + otherWindow);
    // Without a window manager the X server takes a request for the focus only with a time
    // after the focus last moved; the first copy learns such a time from the pointer over it.
    x.run("xdotool mousemove --window " + firstWindow + " 40 40");
    EXPECT_EQ(waitForExit(x.start({first.program()}, first.dir().string()), 30s), 0);
    EXPECT_TRUE(waitUntil([&] { return x.run("xdotool getwindowfocus") == firstWindow; }, 10s))
        << "the first window was not activated";
    EXPECT_EQ(waitpid(otherCopy.pid, nullptr, WNOHANG), 0) << "the copy on another folder ended";

    // Files named at a later start go to the running copy, each once however often named; the
    // second file shows that the second start's files were taken.
    const fs::path today = first.dir() / "today.txt", more = first.dir() / "more.txt";
    for (const fs::path& p : {today, more}) writeFile(p, "x");
    EXPECT_EQ(waitForExit(x.start({first.program(), today}, first.dir().string()), 30s), 0);
    EXPECT_EQ(waitForExit(x.start({first.program(), today, more}, first.dir().string()), 30s), 0);
    const auto listedOnce = [&] {
        const std::string list = readFile(first.dir() / "Filelst.txt");
        return std::count(list.begin(), list.end(), '\n') == 2 && list.find(today) != list.npos &&
               list.find(more) != list.npos;
    };
    EXPECT_TRUE(waitUntil(listedOnce, 10s)) << readFile(first.dir() / "Filelst.txt");
    // The running window shows their rows: files modified today draw in yellow.
    EXPECT_TRUE(waitUntil([&] { return findYellowRows(grabWindow(x, firstWindow)).pixels; }, 10s));

    // A file on a share that does not answer is added all the same, once, and the window goes
    // on; one handed over behind a modal box is added when a signal ends the program.
    const auto inListOnce = [&](const fs::path& p) {
        const std::string list = readFile(first.dir() / "Filelst.txt"), path = p.string();
        return list.find(path) != list.npos && list.find(path) == list.rfind(path);
    };
    EXPECT_EQ(waitForExit(x.start({first.program(), share}, first.dir().string()), 30s), 0);
    EXPECT_TRUE(waitUntil([&] { return inListOnce(share); }, 10s));
    x.keys(firstWindow, {"alt+h", "a"});  // ヘルプ → バージョン情報
    ASSERT_FALSE(x.waitForWindow("バージョン情報", 10s).empty()) << "the version box did not open";
    const fs::path late = first.dir() / "late.txt";
    writeFile(late, "x");
    EXPECT_EQ(waitForExit(x.start({first.program(), late}, first.dir().string()), 30s), 0);
    kill(firstCopy.pid, SIGTERM);
    EXPECT_EQ(waitForExit(firstCopy.pid, 30s), 0) << "the window did not end on SIGTERM";
    firstCopy.pid = -1;
    EXPECT_TRUE(inListOnce(late)) << readFile(first.dir() / "Filelst.txt");
}
