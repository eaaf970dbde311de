// The content view's loading of any file: the text always loads, is UTF-8, has one kind of line
// break and as many breaks as the file up to its first NUL; what ICU reads as UTF-8 shows as it
// is (a character cut at the end left out), anything else as Shift-JIS line by line.

#include "ContentLoad.h"
#include "FuzzSupport.h"
#include "SjisPath.h"

using namespace morvane;
using morvane::fuzzing::require;

namespace {

std::size_t lineBreaks(std::string_view text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') ++breaks;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return breaks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::bytesOf(data, size);
    testing::FakePlatform fake;
    fake.files.put("/w/a.txt", std::string(input));

    const ContentLoad loaded = loadContent(fake.platform, "/w/a.txt");
    require(loaded.status == ContentLoad::Loaded, "a readable file loads");
    require(fuzzing::icuReadsAsUtf8(loaded.utf8), "the text is UTF-8");
    require(loaded.utf8.find('\r') == std::string::npos, "no CR is left");
    require(loaded.utf8.find('\0') == std::string::npos, "the text ends at a NUL");
    const std::string_view text = input.substr(0, input.find('\0'));
    require(std::count(loaded.utf8.begin(), loaded.utf8.end(), '\n') ==
                static_cast<std::ptrdiff_t>(lineBreaks(text)),
            "every line break is kept, once");
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80 && c != '\r';
    });
    if (plain) require(loaded.utf8 == text, "plain ASCII shows as it is");
    if (text.find('\r') == std::string_view::npos && text.substr(0, 3) != "\xEF\xBB\xBF") {
        // A character cut at the very end may still be written: it waits to be whole. Each
        // line is decoded on its own.
        const std::string_view whole = text.substr(0, text.size() - unfinishedUtf8Tail(text));
        std::string expected;
        if (fuzzing::icuReadsAsUtf8(whole)) {
            expected = whole;
        } else {
            for (std::size_t start = 0; start <= text.size();) {
                const std::size_t end = std::min(text.find('\n', start), text.size());
                std::string line;
                fake.platform.codec.toUtf8(text.substr(start, end - start), line);
                expected += line;
                if (end < text.size()) expected += '\n';
                start = end + 1;
            }
        }
        require(loaded.utf8 == expected, "UTF-8 shows as it is and anything else as Shift-JIS");
    }

    // The same bytes as the path of a file that is not there.
    require(loadContent(fake.platform, input).status == ContentLoad::NoFile ||
                input.substr(0, 8) == "/w/a.txt",
            "no other file is found");
    // What the content view's error message names: the path's last part, as displayed text.
    const std::string_view name = lastPart(withoutTrailingBlanks(input));
    std::string shown;
    fake.platform.codec.toUtf8(name, shown);
    require(fuzzing::icuReadsAsUtf8(shown), "the file's name shows as UTF-8");
    return 0;
}
