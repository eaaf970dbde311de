#include "ContentLoad.h"

#include <new>

#include "LogReader.h"
#include "ShiftJis.h"
#include "SjisPath.h"

namespace morvane {

namespace {

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length of the strict UTF-8 character at text[i], and the bounds of its second byte; 0
// for a byte that begins none.
std::size_t utf8Length(unsigned char b, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) {
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
        return 4;
    }
    return 0;
}

// How many bytes of a strict UTF-8 character stand at text[i]: its length when whole, the
// negative count of the bytes there when they begin one that the text ends inside, 0 when
// they begin none.
int utf8CharAt(std::string_view text, std::size_t i) {
    unsigned char low = 0;
    unsigned char high = 0;
    const auto b = static_cast<unsigned char>(text[i]);
    const std::size_t length = utf8Length(b, low, high);
    if (length <= 1) return int(length);
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k == text.size()) return -int(k);
        const auto c = static_cast<unsigned char>(text[i + k]);
        if (k == 1 ? (c < low || c > high) : !isContinuation(c)) return 0;
    }
    return int(length);
}

char32_t utf8Value(std::string_view text, std::size_t i, int length) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (length == 1) return b;
    char32_t value = b & (0x7F >> length);
    for (int k = 1; k < length; ++k) value = (value << 6) | (text[i + std::size_t(k)] & 0x3F);
    return value;
}

void append(DecodedLine& line, char32_t c, std::uint32_t at) {
    if (c >= 0x10000) {
        line.text += char16_t(0xD800 + ((c - 0x10000) >> 10));
        line.byteOf.push_back(at);
        line.text += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        line.text += char16_t(c);
    }
    line.byteOf.push_back(at);
}

DecodedLine decodeUtf8(std::string_view bytes, bool atTextEnd) {
    DecodedLine line;
    line.text.reserve(bytes.size());
    line.byteOf.reserve(bytes.size() + 1);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const int length = utf8CharAt(bytes, i);
        if (length < 0 && atTextEnd) break;  // shown once it is whole
        if (length <= 0) {
            append(line, 0xFFFD, std::uint32_t(i));
            ++i;
            continue;
        }
        append(line, utf8Value(bytes, i, length), std::uint32_t(i));
        i += std::size_t(length);
    }
    line.byteOf.push_back(std::uint32_t(i));
    return line;
}

// The converted UTF-8 (valid, from the codec) as UTF-16.
std::u16string utf16Of(std::string_view utf8) {
    DecodedLine line = decodeUtf8(utf8, false);
    return std::move(line.text);
}

DecodedLine decodeSjis(const TextCodec& codec, std::string_view bytes) {
    // Each Shift-JIS character is one or two bytes and one UTF-16 unit; where the codec gives
    // another count (bytes it cannot convert), each character is converted on its own.
    std::vector<std::uint32_t> starts;
    starts.reserve(bytes.size() + 1);
    for (std::size_t i = 0; i < bytes.size();) {
        starts.push_back(std::uint32_t(i));
        i += isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
    }
    DecodedLine line;
    std::string utf8;
    codec.toUtf8(bytes, utf8);
    line.text = utf16Of(utf8);
    if (line.text.size() == starts.size()) {
        line.byteOf = std::move(starts);
        line.byteOf.push_back(std::uint32_t(bytes.size()));
        return line;
    }
    line.text.clear();
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::uint32_t end = k + 1 < starts.size() ? starts[k + 1] : bytes.size();
        codec.toUtf8(bytes.substr(starts[k], end - starts[k]), utf8);
        for (char16_t c : utf16Of(utf8)) {
            line.text += c;
            line.byteOf.push_back(starts[k]);
        }
    }
    line.byteOf.push_back(std::uint32_t(bytes.size()));
    return line;
}

}  // namespace

bool isStrictUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const int length = utf8CharAt(text, i);
        if (length <= 0) return false;
        i += std::size_t(length);
    }
    return true;
}

std::size_t unfinishedUtf8Tail(std::string_view text) {
    const std::size_t from = text.size() < 3 ? 0 : text.size() - 3;
    for (std::size_t i = from; i < text.size(); ++i) {
        const int length = utf8CharAt(text, i);
        if (length < 0 && i + std::size_t(-length) == text.size()) return text.size() - i;
    }
    return 0;
}

TextEncoding encodingOf(std::string_view start) {
    start = start.substr(0, std::min(start.find('\0'), EncodingSampleBytes));
    start.remove_suffix(unfinishedUtf8Tail(start));
    return isStrictUtf8(start) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
}

DecodedLine decodeLine(const TextCodec* codec, TextEncoding encoding, std::string_view line,
                       bool atTextEnd) {
    if (encoding == TextEncoding::Utf8 || !codec) return decodeUtf8(line, atTextEnd);
    return decodeSjis(*codec, line);
}

std::u16string decodeText(const TextCodec& codec, TextEncoding encoding, std::string_view bytes,
                          bool fromTextStart) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (fromTextStart && encoding == TextEncoding::Utf8 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        const std::string_view line =
            bytes.substr(start, end == std::string_view::npos ? end : end - start);
        text += decodeLine(&codec, encoding, line, end == std::string_view::npos).text;
        if (end == std::string_view::npos) break;
        text += u'\n';
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return text;
}

std::optional<std::string> contentPath(const FileSystem& files, const std::string& nativePath) {
    if (files.isFile(nativePath)) return nativePath;
    // A blank is one byte, a whole character, in UTF-8 as in Shift-JIS: trimming the native
    // path drops the blanks the Shift-JIS one ends in.
    const std::string_view trimmed = withoutTrailingBlanks(nativePath);
    if (trimmed.size() == nativePath.size()) return std::nullopt;
    std::string path(trimmed);
    if (!files.isFile(path)) return std::nullopt;
    return path;
}

ContentLoad loadContent(Platform& platform, std::string_view sjisPath) {
    try {
        std::string nativePath;
        if (!platform.codec.toUtf8(sjisPath, nativePath)) return {};  // names no file
        // The view's own reader, its work done at once on this thread: nothing of it outlives
        // the call, so it may borrow the platform's file system.
        const std::shared_ptr<const FileSystem> files(std::shared_ptr<void>(), &platform.files);
        const StartThread atOnce = [](std::function<void()> work) {
            work();
            return true;
        };
        ContentLoad::Status status = ContentLoad::NoFile;
        std::shared_ptr<LogReader> reader;
        LogReader::open(
            files, nativePath, atOnce, [](std::function<void()> delivery) { delivery(); },
            [&](ContentLoad::Status opened, std::shared_ptr<LogReader> read) {
                status = opened;
                reader = std::move(read);
            });
        if (!reader) return ContentLoad{status, {}};
        std::optional<std::string> read;
        reader->readRange(0, reader->facts().textEnd,
                          [&](std::optional<std::string> bytes) { read = std::move(bytes); });
        const TextEncoding encoding = reader->facts().encoding;
        reader->close();
        if (!read) return ContentLoad{ContentLoad::Failed, {}};
        const std::string& bytes = *read;
        const std::u16string text = decodeText(platform.codec, encoding, bytes, true);
        ContentLoad loaded{ContentLoad::Loaded, {}};
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t c = text[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            std::string& out = loaded.utf8;
            if (c < 0x80) {
                out += char(c);
            } else if (c < 0x800) {
                out += char(0xC0 | (c >> 6));
                out += char(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                out += char(0xE0 | (c >> 12));
                out += char(0x80 | ((c >> 6) & 0x3F));
                out += char(0x80 | (c & 0x3F));
            } else {
                out += char(0xF0 | (c >> 18));
                out += char(0x80 | ((c >> 12) & 0x3F));
                out += char(0x80 | ((c >> 6) & 0x3F));
                out += char(0x80 | (c & 0x3F));
            }
        }
        return loaded;
    } catch (const std::bad_alloc&) {
        return ContentLoad{ContentLoad::Failed, {}};
    }
}

}  // namespace morvane
