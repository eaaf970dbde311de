#pragma once

// An INI file held whole in memory, read and changed the way the Windows private-profile
// functions do it, and written back with every line it does not change kept byte for byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The integer a value text stands for, or fallback when it stands for none: leading spaces,
// then either "$" and 1 to 8 significant hexadecimal digits taken as a 32-bit pattern, or an
// optional sign and decimal digits within the 32-bit range, up to the end of the text. A text
// longer than two bytes starting with "0x" or "0X" counts as starting with "$".
std::int32_t profileInteger(std::string_view text, std::int32_t fallback);

class IniFile {
public:
    IniFile() = default;
    // Lines may end with CR LF, LF or CR; the last one may have no end at all.
    explicit IniFile(std::string_view bytes);

    // The value of the first key of that name in the first section of that name, without the
    // blanks around it and one pair of matching quotes. Names are trimmed and compared without
    // regard to ASCII case. nullopt when the section or the key is missing; a key line without
    // "=" has the empty value.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::int32_t integer(std::string_view section, std::string_view key,
                         std::int32_t fallback) const;

    // Sets the key that value() finds. A line whose value already reads so is left alone; a
    // changed line becomes key=value with the name as the file spells it. A missing key goes
    // after the last non-blank line of its section, a missing section at the end of the file.
    // New and changed lines end with CR LF. The value is one line of text.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void setInteger(std::string_view section, std::string_view key, std::int32_t value);

    std::string bytes() const;

private:
    enum class Kind { Blank, Comment, Section, Key };
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n", "\r" or "" for a last line without one
        Kind kind = Kind::Blank;
        std::string name;   // trimmed section or key name
        std::string value;  // a key's value as value() returns it
    };

    static Line parseLine(std::string text, std::string end);
    // Index of the first section header of that name, or lines_.size().
    std::size_t findSection(std::string_view section) const;
    // The first line after the section's header that belongs to the next section.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view key) const;
    void endLastLine();

    std::vector<Line> lines_;
};

}  // namespace morvane
