#pragma once

// A private X display (Xvfb, white root) with a client of its own that sees top-level windows
// being mapped and then painted, for timing the real program's start from outside.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

#include "XSession.h"

struct xcb_connection_t;

namespace morvane::bench {

class XServer {
public:
    using Clock = std::chrono::steady_clock;

    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool ok() const { return connection_ != nullptr; }

    // Starts a program in workDir on this display with Qt's xcb platform; returns its id.
    pid_t start(const std::string& program, const std::string& workDir) const {
        return session_.start({program}, workDir, true);
    }

    struct Appearance {
        Clock::time_point mapped;   // the server reported the window mapped
        Clock::time_point painted;  // its content was first seen drawn
    };
    // Waits for the top-level window of this title to be mapped, then for its content to be
    // drawn: the window has no background of its own, so until the program draws, a column
    // through its middle shows the white root beneath. Nothing when the limit passes first.
    std::optional<Appearance> waitForPaintedWindow(const std::string& title, Clock::duration limit);

private:
    bool hasTitle(unsigned window, const std::string& title);
    bool looksDrawn(unsigned window);
    void dropPendingEvents();

    // A white root, which shows through until the program draws.
    testing::XSession session_{{"-wr"}};
    xcb_connection_t* connection_ = nullptr;
    unsigned root_ = 0;
};

// Ends a started program at once and reaps it.
void killProgram(pid_t pid);

}  // namespace morvane::bench
