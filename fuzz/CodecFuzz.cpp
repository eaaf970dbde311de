// The Shift-JIS codec and the collation on any bytes: whatever converts comes back the same, and
// the collation is a total order that its sort keys share.

#include "FuzzSupport.h"

using namespace morvane;
using morvane::fuzzing::require;

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::bytesOf(data, size);
    const TextCodec& codec = testing::realPlatform().codec();
    const Collator& collator = testing::realPlatform().collator();
    const bool ascii = std::all_of(input.begin(), input.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });

    // The input as Shift-JIS.
    std::string utf8;
    const bool decoded = codec.toUtf8(input, utf8);
    require(fuzzing::icuReadsAsUtf8(utf8), "decoding gives UTF-8, valid or not the input");
    if (ascii) require(decoded && utf8 == input, "ASCII decodes as it is");
    if (decoded) {
        std::string again;
        require(codec.fromUtf8(utf8, again), "decoded text encodes");
        std::string back;
        require(codec.toUtf8(again, back) && back == utf8, "encoded text decodes the same");
    }

    // The input as UTF-8: a conversion that succeeds loses nothing.
    std::string sjis;
    if (codec.fromUtf8(input, sjis)) {
        std::string back;
        require(codec.toUtf8(sjis, back), "encoded text is Shift-JIS");
        require(back == input, "every character comes back");
    } else {
        require(!ascii, "ASCII encodes");
    }

    // Both halves as Shift-JIS texts to compare.
    const std::string_view a = input.substr(0, size / 2);
    const std::string_view b = input.substr(size / 2);
    const int order = sign(collator.compare(a, b));
    require((order == 0) == (a == b), "only equal bytes compare equal");
    require(order == -sign(collator.compare(b, a)), "comparing the other way gives the opposite");
    require(order == sign(collator.sortKey(a).compare(collator.sortKey(b))),
            "sort keys order as compare does");
    return 0;
}
