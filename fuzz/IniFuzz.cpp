// The INI file on any bytes: what is read is written back byte for byte, a key set reads back
// (also after the file is read again), and a set changes at most one line, adds at most three,
// and keeps every other line as it was.
//
// Input: the file's bytes, then optionally a NUL and the keys to set, one per line as
// "section<TAB>key<TAB>value". Without them three keys are set.

#include <map>

#include "FuzzSupport.h"
#include "IniFile.h"

using namespace morvane;
using morvane::fuzzing::require;

namespace {

struct Setting {
    std::string section;
    std::string key;
    std::string value;
};

constexpr std::string_view Blanks = " \t\v\f";

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(Blanks) - first + 1));
}

// What value() gives for a value set: without blanks around it and one pair of quotes.
std::string asRead(std::string_view value) {
    std::string text = trimmed(value);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool isPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

// Names the file can hold as names: a section without "]", a key that reads as a key.
bool isUsable(const Setting& s) {
    const std::string section = trimmed(s.section);
    const std::string key = trimmed(s.key);
    return !section.empty() && !key.empty() && isPrintableAscii(s.section) &&
           isPrintableAscii(s.key) && s.section.find(']') == std::string::npos &&
           key.find('=') == std::string::npos && key.front() != ';' && key.front() != '[' &&
           s.value.find_first_of("\r\n") == std::string::npos;
}

std::vector<Setting> settingsIn(std::string_view text) {
    std::vector<Setting> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 != std::string_view::npos)
            out.push_back({std::string(line.substr(0, tab1)),
                           std::string(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                           std::string(line.substr(tab2 + 1))});
        start = end + 1;
    }
    return out;
}

struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> linesOf(std::string_view bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto stop = bytes.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines.push_back({std::string(bytes.substr(start)), ""});
            break;
        }
        const std::size_t endLength =
            bytes[stop] == '\r' && stop + 1 < bytes.size() && bytes[stop + 1] == '\n' ? 2 : 1;
        lines.push_back({std::string(bytes.substr(start, stop - start)),
                         std::string(bytes.substr(stop, endLength))});
        start = stop + endLength;
    }
    return lines;
}

// The same line, or the file's last line that had no end and was given CR LF.
bool kept(const Line& before, const Line& after, bool lastBefore) {
    return before.text == after.text &&
           (before.end == after.end || (lastBefore && before.end.empty() && after.end == "\r\n"));
}

// A set keeps every line but one it changes and a run of at most three it adds.
void requireFewLinesChanged(const std::string& before, const std::string& after) {
    const std::vector<Line> old = linesOf(before);
    const std::vector<Line> now = linesOf(after);
    std::size_t prefix = 0;
    while (prefix < old.size() && prefix < now.size() &&
           kept(old[prefix], now[prefix], prefix + 1 == old.size()))
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           kept(old[old.size() - 1 - suffix], now[now.size() - 1 - suffix], suffix == 0))
        ++suffix;
    require(old.size() - prefix - suffix <= 1, "a set changes at most one line");
    require(now.size() - prefix - suffix <= 3, "a set adds at most three lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::bytesOf(data, size);
    const std::size_t nul = input.find('\0');
    const std::string_view file = input.substr(0, nul);

    IniFile ini(file);
    require(ini.bytes() == file, "reading and writing keeps every byte");

    std::vector<Setting> settings =
        nul == std::string_view::npos
            ? std::vector<Setting>{{"Window", "Top", std::to_string(size)},
                                   {"list", " SortType ", "1"},
                                   {"New", "Key", "\"quoted value\""}}
            : settingsIn(input.substr(nul + 1));
    std::map<std::pair<std::string, std::string>, std::string> expected;
    for (const Setting& s : settings) {
        if (!isUsable(s)) continue;
        const std::string before = ini.bytes();
        ini.setValue(s.section, s.key, s.value);
        requireFewLinesChanged(before, ini.bytes());
        expected[{lowered(trimmed(s.section)), lowered(trimmed(s.key))}] = asRead(s.value);

        // An integer set reads back, on a copy.
        IniFile copy = ini;
        const auto number = static_cast<std::int32_t>(size * 2654435761u);
        copy.setInteger(s.section, s.key, number);
        require(copy.integer(s.section, s.key, number ^ 1) == number, "an integer reads back");
    }

    const IniFile reread(ini.bytes());
    for (const auto& [names, value] : expected) {
        require(ini.value(names.first, names.second) == value, "a set key reads back");
        require(reread.value(names.first, names.second) == value,
                "a set key reads back from the file");
    }
    return 0;
}
