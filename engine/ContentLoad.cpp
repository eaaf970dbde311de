#include "ContentLoad.h"

#include <new>

#include "SjisPath.h"

namespace morvane {

namespace {

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// CR LF, a lone CR and a lone LF each become one "\n".
std::string unifyLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

bool isStrictUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if (second < low || second > high) return false;
        for (std::size_t k = 2; k < length; ++k)
            if (!isContinuation(static_cast<unsigned char>(text[i + k]))) return false;
        i += length;
    }
    return true;
}

ContentRead readContent(const FileSystem& files, const std::string& nativePath) {
    ContentRead read;
    try {
        std::string path = nativePath;
        if (!files.isFile(path)) {
            // A blank is one byte, a whole character, in UTF-8 as in Shift-JIS: trimming the native
            // path drops the blanks the Shift-JIS one ends in.
            const std::string_view trimmed = withoutTrailingBlanks(path);
            if (trimmed.size() == path.size()) return read;
            path.resize(trimmed.size());
            if (!files.isFile(path)) return read;
        }
        switch (files.readAll(path, read.bytes, MaxContentBytes)) {
            case ReadStatus::Ok:
                read.status = ContentLoad::Loaded;
                break;
            case ReadStatus::Missing:
                break;
            case ReadStatus::Failed:
                read.status = ContentLoad::Failed;
                break;
        }
    } catch (const std::bad_alloc&) {
        read.status = ContentLoad::Failed;
    }
    if (read.status != ContentLoad::Loaded) read.bytes.clear();
    return read;
}

std::optional<ContentLoad> decodeUtf8Content(const ContentRead& read) {
    ContentLoad result;
    result.status = read.status;
    if (read.status != ContentLoad::Loaded) return result;
    try {
        std::string_view text(read.bytes);
        text = text.substr(0, text.find('\0'));
        if (!isStrictUtf8(text)) return std::nullopt;
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        result.utf8 = unifyLineEnds(text);
    } catch (const std::bad_alloc&) {
        result = ContentLoad{ContentLoad::Failed, {}};
    }
    return result;
}

ContentLoad decodeContent(const TextCodec& codec, const ContentRead& read) {
    if (std::optional<ContentLoad> decoded = decodeUtf8Content(read)) return std::move(*decoded);
    try {
        std::string_view text(read.bytes);
        text = text.substr(0, text.find('\0'));
        std::string utf8;
        codec.toUtf8(text, utf8);  // what cannot be converted shows as U+FFFD
        return ContentLoad{ContentLoad::Loaded, unifyLineEnds(utf8)};
    } catch (const std::bad_alloc&) {
        return ContentLoad{ContentLoad::Failed, {}};
    }
}

ContentLoad loadContent(Platform& platform, std::string_view sjisPath) {
    try {
        std::string nativePath;
        if (!platform.codec.toUtf8(sjisPath, nativePath)) return {};  // names no file
        return decodeContent(platform.codec, readContent(platform.files, nativePath));
    } catch (const std::bad_alloc&) {
        return ContentLoad{ContentLoad::Failed, {}};
    }
}

}  // namespace morvane
