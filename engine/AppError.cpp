#include "AppError.h"

namespace morvane {

std::string formatMessage(const std::string& pattern, const std::string& path) {
    std::string out = pattern;
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, path);
    return out;
}

}  // namespace morvane
