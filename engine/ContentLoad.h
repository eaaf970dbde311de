#pragma once

// Decoding a watched file's text for the content view: the encoding chosen from the file's
// start, and each line decoded on its own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace morvane {

// True for strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isStrictUtf8(std::string_view text);

// The bytes of a text's last character where they begin a strict UTF-8 character that is not
// whole yet (a writer may be half way through it); 0 otherwise.
std::size_t unfinishedUtf8Tail(std::string_view text);

enum class TextEncoding { Utf8, ShiftJis };

// The encoding is chosen from this many bytes at the start of the text.
inline constexpr std::size_t EncodingSampleBytes = 64 * 1024;

// UTF-8 when the start of the text (up to a NUL, at most EncodingSampleBytes) is strict UTF-8,
// a character cut at the end of what was read aside; else Shift-JIS.
TextEncoding encodingOf(std::string_view start);

// One line's text in UTF-16, with the offset in the line's bytes where each UTF-16 unit's
// character begins, and one more: the bytes' end.
struct DecodedLine {
    std::u16string text;
    std::vector<std::uint32_t> byteOf;
};

// Decodes one line's bytes, without their line end. What is not valid in the encoding shows
// as U+FFFD; with atTextEnd, a UTF-8 character not whole yet at the end is left out until it
// is. The codec is used for Shift-JIS only, so it may be null for UTF-8.
DecodedLine decodeLine(const TextCodec* codec, TextEncoding encoding, std::string_view line,
                       bool atTextEnd = false);

// The text of bytes that start and end at character boundaries, each line decoded on its own
// and ending in one "\n" whatever ended it (CR LF, a lone CR or a lone LF); the text ends at a
// NUL. fromTextStart: the bytes begin the file, whose UTF-8 byte-order mark is left out.
std::u16string decodeText(const TextCodec& codec, TextEncoding encoding, std::string_view bytes,
                          bool fromTextStart);

struct ContentLoad {
    enum Status { Loaded, NoFile, Failed };
    Status status = NoFile;
    std::string utf8;  // the text to show, when Loaded
};

// The native path of the file to read for a watch list path: the path itself, or where no
// file is there, the path without its trailing blanks (the watch list may keep blanks after a
// path); nullopt when neither names a regular file.
std::optional<std::string> contentPath(const FileSystem& files, const std::string& nativePath);

// Loads the whole text of the file at a Shift-JIS path, as the content view decodes it: NoFile
// when no regular file is at the path (a directory, a device or a FIFO is never opened);
// Failed when it exists but cannot be read. For tools and tests: the view's own reader
// (LogReader.h), run at once and read whole, where the view reads a file in pieces.
ContentLoad loadContent(Platform& platform, std::string_view sjisPath);

}  // namespace morvane
