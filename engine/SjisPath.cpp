#include "SjisPath.h"

#include "ShiftJis.h"

namespace morvane {

std::size_t lastPartStart(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
            continue;
        }
        if (isSeparator(path[i])) start = i + 1;
    }
    return start;
}

std::string_view withoutFillingSpaces(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view withoutTrailingBlanks(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(0, end);
}

std::string joinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    path += withoutFillingSpaces(name);
    return path;
}

}  // namespace morvane
