#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <QDir>

#include "StartUp.h"

namespace morvane {
namespace {

TEST(DisplayRoute, WaylandGoesThroughXWaylandUnlessTheUserChoseAndNoDisplayIsSaidSo) {
    struct Row {
        // DISPLAY, WAYLAND_DISPLAY, XDG_SESSION_TYPE, QT_QPA_PLATFORM
        DisplayEnvironment environment;
        bool chosePlatform;
        DisplayRoute route;
    };
    const Row rows[] = {
        {{":0", "", "x11", ""}, false, DisplayRoute::AsItIs},  // plain X
        {{":0", "wayland-0", "wayland", ""}, false, DisplayRoute::ThroughXWayland},
        {{":0", "wayland-0", "", ""}, false, DisplayRoute::ThroughXWayland},  // no session type
        {{":0", "", "wayland", ""}, false, DisplayRoute::ThroughXWayland},    // no socket name
        {{"", "wayland-0", "wayland", ""}, false, DisplayRoute::AsItIs},      // no XWayland
        {{":0", "wayland-0", "wayland", "wayland"}, false, DisplayRoute::AsItIs},  // the user's
        {{":0", "wayland-0", "wayland", ""}, true, DisplayRoute::AsItIs},  // -platform given
        {{"", "", "", ""}, false, DisplayRoute::NoDisplay},
        {{"", "", "wayland", ""}, false, DisplayRoute::NoDisplay},
        {{"", "", "", "offscreen"}, false, DisplayRoute::AsItIs},  // needs no display
        {{"", "", "", ""}, true, DisplayRoute::AsItIs},
    };
    for (const Row& row : rows) {
        const DisplayEnvironment& e = row.environment;
        EXPECT_EQ(chooseDisplayRoute(e, row.chosePlatform), row.route)
            << "DISPLAY=" << e.display << " WAYLAND_DISPLAY=" << e.waylandDisplay
            << " XDG_SESSION_TYPE=" << e.sessionType << " QT_QPA_PLATFORM=" << e.qtPlatform
            << " chosen=" << row.chosePlatform;
    }
}

TEST(CommandLine, ADisplayOrAPlatformOnTheCommandLineIsTheUsersChoiceAndTheRestAreFiles) {
    const std::string here = QDir::currentPath().toStdString();
    const struct {
        std::vector<std::string> arguments;
        bool chosePlatform;
        std::vector<std::string> files;  // absolute
    } rows[] = {
        {{"morvane"}, false, {}},
        {{"morvane", "-display", ":5"}, true, {}},
        {{"morvane", "-platform", "offscreen"}, true, {}},
        {{"morvane", "-session", "1234"}, false, {}},
        {{"morvane", "a.log", "/w/../v/日記.txt"}, false, {here + "/a.log", "/v/日記.txt"}},
        {{"morvane", "-style", "fusion", "./b", "-platform", "xcb"}, true, {here + "/b"}},
        {{"morvane", "--", "-display"}, false, {here + "/-display"}},
    };
    for (const auto& row : rows) {
        const CommandLine command = readCommandLine(row.arguments, "1.01");
        EXPECT_EQ(command.action, CommandLine::Run) << row.arguments.back();
        EXPECT_EQ(command.chosePlatform, row.chosePlatform) << row.arguments.back();
        EXPECT_EQ(command.files, row.files) << row.arguments.back();
        // With no DISPLAY at all, the display given is still tried.
        EXPECT_EQ(chooseDisplayRoute({}, command.chosePlatform) == DisplayRoute::AsItIs,
                  row.chosePlatform)
            << row.arguments.back();
    }
}

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readAndRemove(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(path.c_str());
    return text;
}

// Runs the built program with an empty environment, no display of any kind; only a sanitizer's
// options are passed on.
Finished runWithoutDisplay(const std::string& arguments) {
    std::string command = "env -i";
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            command += std::string(" ") + name + "='" + value + "'";
    const std::string files =
        ::testing::TempDir() + "morvane-startup-" + std::to_string(::getpid());
    const std::string out = files + ".out";
    const std::string err = files + ".err";
    command += " " MORVANE_PROGRAM " " + arguments + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readAndRemove(out), readAndRemove(err)};
}

TEST(CommandLine, HelpAndVersionNeedNoDisplayAndMisuseAndNoDisplayFailClearly) {
    struct Row {
        const char* arguments;
        int status;
        const char* out;  // the start of standard output
        const char* err;  // the start of standard error
    };
    const Row rows[] = {
        {"--version", 0, "Morvane 1.01\n", ""},
        {"-v", 0, "Morvane 1.01\n", ""},
        {"--help", 0, "Usage: morvane [options] [FILE...]\n", ""},
        {"-h", 0, "Usage: morvane [options] [FILE...]\n", ""},
        {"--frobnicate", 2, "", "morvane: Unknown option 'frobnicate'.\n\nUsage: morvane "},
        {"a-file", 1, "", "morvane: no display"},  // a file to add: the window is needed
        {"", 1, "", "morvane: no display: start Morvane from a desktop session\n"},
        {"-session 1234", 1, "", "morvane: no display"},  // a restored session's option is Qt's
    };
    for (const Row& row : rows) {
        const Finished run = runWithoutDisplay(row.arguments);
        EXPECT_EQ(run.status, row.status) << row.arguments << ": " << run.out << run.err;
        EXPECT_EQ(run.out.rfind(row.out, 0), 0u) << row.arguments << ": " << run.out;
        EXPECT_EQ(run.err.rfind(row.err, 0), 0u) << row.arguments << ": " << run.err;
        if (!*row.out) {
            EXPECT_EQ(run.out, "") << row.arguments;
        }
        if (!*row.err) {
            EXPECT_EQ(run.err, "") << row.arguments;
        }
    }
}

}  // namespace
}  // namespace morvane
