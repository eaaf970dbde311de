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

ContentLoad loadContent(Platform& platform, std::string_view sjisPath) {
    ContentLoad result;
    try {
        std::string nativePath;
        if (!platform.codec.toUtf8(sjisPath, nativePath)) return result;  // names no file
        if (!platform.files.isFile(nativePath)) {
            // The watch list may keep blanks after a path; they do not belong to the name.
            const std::string_view trimmed = withoutTrailingBlanks(sjisPath);
            if (trimmed.size() == sjisPath.size()) return result;
            nativePath.clear();
            platform.codec.toUtf8(trimmed, nativePath);
            if (!platform.files.isFile(nativePath)) return result;
        }
        std::string bytes;
        switch (platform.files.readAll(nativePath, bytes, MaxContentBytes)) {
            case ReadStatus::Ok:
                break;
            case ReadStatus::Missing:
                return result;
            case ReadStatus::Failed:
                result.status = ContentLoad::Failed;
                return result;
        }
        std::string_view text(bytes);
        text = text.substr(0, text.find('\0'));
        std::string utf8;
        if (isStrictUtf8(text)) {
            if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
            utf8.assign(text);
        } else {
            platform.codec.toUtf8(text, utf8);  // what cannot be converted shows as U+FFFD
        }
        result.utf8 = unifyLineEnds(utf8);
        result.status = ContentLoad::Loaded;
    } catch (const std::bad_alloc&) {
        result = ContentLoad{ContentLoad::Failed, {}};
    }
    return result;
}

}  // namespace morvane
