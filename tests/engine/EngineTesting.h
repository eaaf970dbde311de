#pragma once

// The real ICU codec and collator, shared by the engine tests, and helpers for Shift-JIS text.

#include <string>
#include <string_view>

#include "ShiftJis.h"
#include "SystemPlatform.h"

namespace morvane::testing {

inline SystemPlatform& realPlatform() {
    static SystemPlatform platform;
    return platform;
}

inline std::string sjis(std::string_view utf8) {
    std::string out;
    realPlatform().codec().fromUtf8(utf8, out);
    return out;
}

inline std::string utf8(std::string_view sjisText) {
    std::string out;
    realPlatform().codec().toUtf8(sjisText, out);
    return out;
}

// An enabled watch list line: "1", the name filled to 20 bytes, the path.
inline std::string watchLine(std::string_view name, std::string_view path) {
    return "1" + padOrCut(name, 20) + std::string(path);
}

}  // namespace morvane::testing
