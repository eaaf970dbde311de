#pragma once

// Shift-JIS conversion and Japanese collation through ICU. Both are single-threaded, like the
// program: each keeps its converter and work buffers between calls.

#include <memory>

#include "Platform.h"

namespace morvane {

struct IcuText {
    std::unique_ptr<TextCodec> codec;
    std::unique_ptr<Collator> collator;  // uses codec, so it must not outlive it
};

// Opens the "windows-31j" converter and the "ja" collation. Throws std::runtime_error when ICU
// lacks either.
IcuText makeIcuText();

}  // namespace morvane
