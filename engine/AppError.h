#pragma once

#include <stdexcept>
#include <string>

namespace morvane {

// An error meant for the user. The message is UTF-8, ready to be shown by the window's default
// error report (it may carry a native path).
class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& utf8Message) : std::runtime_error(utf8Message) {}
};

// Puts the path in place of the one "%s" of a message; both UTF-8.
std::string formatMessage(const std::string& pattern, const std::string& path);

}  // namespace morvane
