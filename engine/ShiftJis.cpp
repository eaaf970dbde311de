#include "ShiftJis.h"

namespace morvane {

std::size_t completeLength(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t step = isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > text.size()) break;
        i += step;
    }
    return i;
}

std::string padOrCut(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

}  // namespace morvane
