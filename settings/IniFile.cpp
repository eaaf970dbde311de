#include "IniFile.h"

#include "ShiftJis.h"

namespace morvane {

namespace {

constexpr std::string_view Blanks = " \t\v\f";
constexpr std::string_view NewLineEnd = "\r\n";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(Blanks);
    return text.substr(first, last - first + 1);
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares names without regard to ASCII case; the second byte of a double-byte character is
// compared as it is, since it may fall among the ASCII letters.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(a[i]))) {
            if (a.compare(i, 2, b.substr(i, 2)) != 0) return false;
            ++i;
        } else if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// The first "]" that is a character of its own, not the second byte of a double-byte one.
std::size_t closingBracket(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == ']') return i;
        if (isLeadByte(static_cast<unsigned char>(text[i]))) ++i;
    }
    return std::string_view::npos;
}

std::string unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool isHexDigit(char c, unsigned& digit) {
    if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::int32_t profileInteger(std::string_view text, std::int32_t fallback) {
    std::string_view rest = text;
    bool hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        rest.remove_prefix(2);
    } else {
        const auto start = rest.find_first_not_of(' ');
        rest.remove_prefix(start == std::string_view::npos ? rest.size() : start);
        if (!rest.empty() && rest.front() == '$') {
            hex = true;
            rest.remove_prefix(1);
        }
    }

    constexpr std::int64_t Limit = std::int64_t{1} << 32;
    if (hex) {
        if (rest.empty()) return fallback;
        std::int64_t value = 0;
        for (const char c : rest) {
            unsigned digit = 0;
            if (!isHexDigit(c, digit)) return fallback;
            value = value * 16 + digit;
            if (value >= Limit) return fallback;
        }
        return static_cast<std::int32_t>(value >= Limit / 2 ? value - Limit : value);
    }

    bool negative = false;
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty()) return fallback;
    std::int64_t value = 0;
    for (const char c : rest) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + (c - '0');
        if (value > Limit) return fallback;  // well past the range, and far from overflowing
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<std::int32_t>(value);
}

IniFile::IniFile(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto stop = bytes.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines_.push_back(parseLine(std::string(bytes.substr(start)), ""));
            break;
        }
        const std::size_t endLength =
            bytes[stop] == '\r' && stop + 1 < bytes.size() && bytes[stop + 1] == '\n' ? 2 : 1;
        lines_.push_back(parseLine(std::string(bytes.substr(start, stop - start)),
                                   std::string(bytes.substr(stop, endLength))));
        start = stop + endLength;
    }
}

IniFile::Line IniFile::parseLine(std::string text, std::string end) {
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    const std::string_view content = trimmed(line.text);
    if (content.empty()) {
        line.kind = Kind::Blank;
    } else if (content.front() == ';') {
        line.kind = Kind::Comment;
    } else if (const auto close =
                   content.front() == '[' ? closingBracket(content, 1) : std::string_view::npos;
               close != std::string_view::npos) {
        line.kind = Kind::Section;
        line.name = std::string(trimmed(content.substr(1, close - 1)));
    } else {
        // A line without "=" is a key without a value, as the private-profile functions see it.
        line.kind = Kind::Key;
        const auto equals = content.find('=');
        line.name = std::string(trimmed(content.substr(0, equals)));
        if (equals != std::string_view::npos)
            line.value = unquoted(trimmed(content.substr(equals + 1)));
    }
    return line;
}

std::size_t IniFile::findSection(std::string_view section) const {
    const std::string_view name = trimmed(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && sameName(lines_[i].name, name)) return i;
    }
    return lines_.size();
}

std::size_t IniFile::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
    return i;
}

std::size_t IniFile::findKey(std::size_t header, std::string_view key) const {
    const std::string_view name = trimmed(key);
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name, name)) return i;
    }
    return end;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const std::size_t header = findSection(section);
    if (header == lines_.size()) return std::nullopt;
    const std::size_t at = findKey(header, key);
    if (at == sectionEnd(header)) return std::nullopt;
    return lines_[at].value;
}

std::int32_t IniFile::integer(std::string_view section, std::string_view key,
                              std::int32_t fallback) const {
    return profileInteger(value(section, key).value_or(std::string()), fallback);
}

void IniFile::endLastLine() {
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = NewLineEnd;
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view keyName = trimmed(key);
    std::size_t header = findSection(section);
    if (header == lines_.size()) {
        endLastLine();
        // A blank line between sections, as a hand-written file would have it.
        if (!lines_.empty() && lines_.back().kind != Kind::Blank)
            lines_.push_back(parseLine("", std::string(NewLineEnd)));
        lines_.push_back(
            parseLine("[" + std::string(trimmed(section)) + "]", std::string(NewLineEnd)));
        header = lines_.size() - 1;
    }

    const std::size_t end = sectionEnd(header);
    const std::size_t at = findKey(header, keyName);
    if (at < end) {
        Line& line = lines_[at];
        if (line.value == value) return;
        line = parseLine(line.name + "=" + std::string(value), std::string(NewLineEnd));
        return;
    }

    std::size_t after = end - 1;
    while (after > header && lines_[after].kind == Kind::Blank) --after;
    if (lines_[after].end.empty()) lines_[after].end = NewLineEnd;
    lines_.insert(
        lines_.begin() + static_cast<std::ptrdiff_t>(after + 1),
        parseLine(std::string(keyName) + "=" + std::string(value), std::string(NewLineEnd)));
}

void IniFile::setInteger(std::string_view section, std::string_view key, std::int32_t value) {
    setValue(section, key, std::to_string(value));
}

std::string IniFile::bytes() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

}  // namespace morvane
