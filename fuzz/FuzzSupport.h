#pragma once

// What every fuzz target shares: a property check that stops the run, and the fake files with
// the real Shift-JIS codec and collator.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FakePlatform.h"

namespace morvane::fuzzing {

// Stops the run with the property's name when it does not hold: libFuzzer keeps the input.
inline void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property does not hold: %s\n", property);
    std::abort();
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace morvane::fuzzing
