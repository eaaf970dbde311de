#pragma once

// What the program does before its window exists: reads its command line and decides how it
// reaches the display.

#include <string>
#include <vector>

namespace morvane {

struct CommandLine {
    enum Action { Run, ShowHelp, ShowVersion, Misused };
    Action action = Run;
    std::string text;                // the help, the version line, or the error and the help
    bool chosePlatform = false;      // -platform or -display was given
    std::vector<std::string> files;  // the files to add, absolute native paths
};

// Reads the arguments (argv[0] first). Besides --help and --version it accepts the options
// Qt itself reads (-session when the desktop session restores the program, -platform,
// -display, -style, ...), which it leaves for QApplication. Every other argument names a file
// to add, made absolute against the current folder.
CommandLine readCommandLine(const std::vector<std::string>& arguments, const std::string& version);

// The environment variables that decide the display; each is "" when unset.
struct DisplayEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string qtPlatform;      // QT_QPA_PLATFORM
};

enum class DisplayRoute {
    AsItIs,           // Qt's own choice, or the user's
    ThroughXWayland,  // QT_QPA_PLATFORM=xcb: a Wayland compositor ignores "stay on top"
    NoDisplay,        // nothing to show a window on
};

// The user's own choice (QT_QPA_PLATFORM or a command-line option) always wins.
DisplayRoute chooseDisplayRoute(const DisplayEnvironment& environment, bool chosePlatform);

DisplayEnvironment environmentOfThisProcess();

}  // namespace morvane
