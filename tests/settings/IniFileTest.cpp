#include <gtest/gtest.h>

#include "IniFile.h"

namespace morvane {
namespace {

struct IntegerCase {
    const char* text;
    std::int32_t expected;  // with -7 as the fallback
};

TEST(ProfileInteger, ConvertsTheWaysAValueCanBeWritten) {
    const IntegerCase cases[] = {
        {"30", 30},
        {"0x1E", 30},
        {"0X1e", 30},
        {"$1E", 30},
        {" 30", 30},
        {"+30", 30},
        {"$0000000000FF", 255},
        {"$FFFFFFFF", -1},
        {"0xFFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        // What is not a number gives the fallback.
        {"", -7},
        {"30a", -7},
        {"30 ", -7},
        {"+", -7},
        {"$", -7},
        {"0x", -7},
        {" 0x1E", -7},
        {"- 30", -7},
        {"-$1E", -7},
        {"$1G", -7},
        {"$100000000", -7},
        {"2147483648", -7},
        {"-2147483649", -7},
        {"FFFFFFFF", -7},
    };
    for (const IntegerCase& c : cases)
        EXPECT_EQ(profileInteger(c.text, -7), c.expected) << '"' << c.text << '"';
}

struct LookupCase {
    const char* file;
    const char* section;
    const char* key;
    const char* expected;  // nullptr: no such key
};

TEST(IniFileLookup, FindsValuesAsThePrivateProfileFunctionsDo) {
    const LookupCase cases[] = {
        {"[Window]\r\nTop=5\r\n", "Window", "Top", "5"},
        {"[window]\nTOP=5\n", "Window", "Top", "5"},
        {"  [ Window ]  \n  Top  =  5  \n", "Window", "Top", "5"},
        {"[Window]\nTop=\"5\"\n", "Window", "Top", "5"},
        {"[Window]\nTop=' 5'\n", "Window", "Top", " 5"},
        {"[Window]\nTop=\"\"5\"\"\n", "Window", "Top", "\"5\""},
        {"[Window]\nTop=\n", "Window", "Top", ""},
        {"[Window]\nTop=1\nTop=2\n", "Window", "Top", "1"},
        {"[Window]\nTop=1\n[Window]\nTop=2\nLeft=3\n", "Window", "Left", nullptr},
        {"[Window]\n;Top=2\n", "Window", "Top", nullptr},
        {"Top=1\n[Window]\n", "Window", "Top", nullptr},
        {"[Window]\r[List]\rInterval=10\r", "List", "Interval", "10"},
        // A section named in Shift-JIS whose second byte is "]" (0x83 0x5D, "ン").
        {"[\x83\x5D]\nTop=1\n", "\x83\x5D", "Top", "1"},
        // The second byte of a double-byte character is not folded: 0x83 0x41 and 0x83 0x61 differ.
        {"[\x83\x41]\nTop=1\n", "\x83\x61", "Top", nullptr},
    };
    for (const LookupCase& c : cases) {
        const auto value = IniFile(c.file).value(c.section, c.key);
        if (c.expected) {
            EXPECT_EQ(value, std::optional<std::string>(c.expected)) << c.file;
        } else {
            EXPECT_EQ(value, std::nullopt) << c.file;
        }
    }
}

struct WriteCase {
    const char* sentence;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(IniFileWrite, ChangesOnlyWhatItMust) {
    const WriteCase cases[] = {
        {"an empty file gets the section and the key", "", "Window", "Top", "5",
         "[Window]\r\nTop=5\r\n"},
        {"a changed key keeps its spelling and gets CR LF", "[window]\nTOP = 1 \n", "Window", "Top",
         "5", "[window]\nTOP=5\r\n"},
        {"a key that already reads so is left alone", "[Window]\nTop = \"5\"\n", "Window", "Top",
         "5", "[Window]\nTop = \"5\"\n"},
        {"only the first of two keys changes", "[Window]\nTop=1\nTop=2\n", "Window", "Top", "5",
         "[Window]\nTop=5\r\nTop=2\n"},
        {"a new key goes after the section's last non-blank line",
         "[Window]\nA=1\n;note\n\n\n[List]\nB=2\n", "Window", "Top", "5",
         "[Window]\nA=1\n;note\nTop=5\r\n\n\n[List]\nB=2\n"},
        {"a new key in an empty section goes after its header", "[Window]\n\n[List]\n", "Window",
         "Top", "5", "[Window]\nTop=5\r\n\n[List]\n"},
        {"a new key after an unended last line ends that line", "[Window]\nA=1", "Window", "Top",
         "5", "[Window]\nA=1\r\nTop=5\r\n"},
        {"a new section goes at the end after a blank line", "[Color]\rNormal=255\r", "List",
         "Interval", "10", "[Color]\rNormal=255\r\r\n[List]\r\nInterval=10\r\n"},
        {"a new section after an unended line ends that line", ";hand written", "List", "Interval",
         "10", ";hand written\r\n\r\n[List]\r\nInterval=10\r\n"},
        {"the key goes into the first of two sections of that name",
         "[Window]\nA=1\n[Window]\nB=2\n", "Window", "Top", "5",
         "[Window]\nA=1\nTop=5\r\n[Window]\nB=2\n"},
        {"every other line keeps its bytes, its line end and what follows the last",
         "; s\r\n[Window]\r\nTop=1\nExtra = keep  \r\n\r\n[Color]\rNormal = $FF00 \r"
         "[\x83\x5D\x8E\x9A]\r\n\x8A\xBF=\x8E\x9A\r\n\x1A",
         "Window", "Top", "-20",
         "; s\r\n[Window]\r\nTop=-20\r\nExtra = keep  \r\n\r\n[Color]\rNormal = $FF00 \r"
         "[\x83\x5D\x8E\x9A]\r\n\x8A\xBF=\x8E\x9A\r\n\x1A"},
    };
    for (const WriteCase& c : cases) {
        IniFile ini(c.before);
        ini.setValue(c.section, c.key, c.value);
        EXPECT_EQ(ini.bytes(), c.after) << c.sentence;
        EXPECT_EQ(IniFile(ini.bytes()).value(c.section, c.key), std::optional<std::string>(c.value))
            << c.sentence;
    }
}

}  // namespace
}  // namespace morvane
