#pragma once

// A private X display (Xvfb) for tests that drive the real program in a real window.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace morvane::testing {

class XSession {
public:
    // serverOptions are added to Xvfb's command line (e.g. "-wr" for a white root).
    explicit XSession(const std::vector<std::string>& serverOptions = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return xvfb_ > 0 && !display_.empty(); }
    const std::string& display() const { return display_; }

    // Starts a program on this display with Qt's xcb platform; returns its process id. A quiet
    // program's error output is dropped.
    pid_t start(const std::vector<std::string>& argv, const std::string& workDir,
                bool quiet = false) const;

    // Runs a shell command on this display and returns what it printed (trimmed).
    std::string run(const std::string& command) const;

    // Waits until a visible top-level window has this exact title; returns its id or "".
    std::string waitForWindow(const std::string& title, std::chrono::seconds limit) const;

    // Gives the window the keyboard focus and types the keys (xdotool key names) one by one.
    void keys(const std::string& window, const std::vector<std::string>& keys) const;

private:
    pid_t xvfb_ = -1;
    std::string display_;
};

// Waits for a process to end; returns its exit status, or -1 when it did not end in time (it
// is then killed).
int waitForExit(pid_t pid, std::chrono::seconds limit);

}  // namespace morvane::testing
