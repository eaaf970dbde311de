#pragma once

// Byte-level facts of Shift-JIS (code page 932) text.

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

// The first byte of a double-byte character.
inline bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The length of text without a lead byte left alone at its end (a character cut in half).
std::size_t completeLength(std::string_view text);

// text followed by spaces up to width bytes, or cut after its width-th byte (also inside a
// double-byte character).
std::string padOrCut(std::string_view text, std::size_t width);

}  // namespace morvane
