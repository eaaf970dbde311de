#pragma once

// What every fuzz target shares: a property check that stops the run, strict UTF-8 as ICU reads
// it, and the fake files with the real Shift-JIS codec and collator.

#include <unicode/ucnv.h>

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

// Whether ICU's UTF-8 converter, told to stop at the first sequence it does not accept, reads
// all of the bytes: the judge of strict UTF-8 that shares no code with the program's own check.
inline bool icuReadsAsUtf8(std::string_view bytes) {
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("UTF-8", &error);
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    // No more UTF-16 units than bytes.
    std::u16string units(bytes.size() + 1, u'\0');
    ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                  static_cast<int32_t>(bytes.size()), &error);
    ucnv_close(converter);
    return U_SUCCESS(error);
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace morvane::fuzzing
