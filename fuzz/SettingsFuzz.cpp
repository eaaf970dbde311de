// "Morvane.ini" on any bytes: every number reads as an independent reading of the value text
// has it, the applied values stay in their ranges, and what a close writes reads back with the
// keys it does not write unchanged.

#include <cerrno>
#include <cstdlib>

#include "FuzzSupport.h"
#include "IniFile.h"
#include "Settings.h"

using namespace morvane;
using morvane::fuzzing::require;

namespace {

const std::string IniPath = "/app/Morvane.ini";

bool isDigits(std::string_view text, bool hex) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [hex](char c) {
        return (c >= '0' && c <= '9') ||
               (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    });
}

// The integer conversion written the other way: with the C library's number reading.
std::int32_t referenceInteger(std::string_view text, std::int32_t fallback) {
    std::string_view rest = text;
    bool hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        rest.remove_prefix(2);
    } else {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        if (!rest.empty() && rest.front() == '$') {
            hex = true;
            rest.remove_prefix(1);
        }
    }
    if (hex) {
        if (!isDigits(rest, true)) return fallback;
        while (rest.size() > 1 && rest.front() == '0') rest.remove_prefix(1);
        if (rest.size() > 8) return fallback;
        const unsigned long bits = std::strtoul(std::string(rest).c_str(), nullptr, 16);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
    }
    std::string_view digits = rest;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (!isDigits(digits, false)) return fallback;
    errno = 0;
    const long long value = std::strtoll(std::string(rest).c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<std::int32_t>(value);
}

void requireRead(std::string_view text) {
    for (const std::int32_t fallback : {0, -7, INT32_MAX})
        require(profileInteger(text, fallback) == referenceInteger(text, fallback),
                "the integer conversion agrees with the C library's reading");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::bytesOf(data, size);
    requireRead(input);
    const IniFile ini(input);
    for (const char* key : {"Top", "Left", "Height", "Width", "ViewHeight", "H0", "Style"})
        if (const auto value = ini.value("Window", key)) requireRead(*value);

    testing::FakeFileSystem files;
    files.put(IniPath, std::string(input));
    const Settings s = readSettings(files, IniPath);
    for (int column = 0; column < 5; ++column)
        require(s.columnWidth(column) >= 0 && s.columnWidth(column) <= 10000,
                "a column width is within 0..10000");
    const int storedKey = ini.integer("List", "SortKey", 0);
    require(storedSortKey(s.sort.key) == (storedKey >= 1 && storedKey <= 5 ? storedKey : 0),
            "a sort key outside 1..5 is the watch-list order");
    require((s.sort.order == SortOrder::Descending) == (ini.integer("List", "SortType", 0) != 0),
            "a sort type other than 0 is descending");
    require(s.timerMilliseconds() == 0 || s.timerMilliseconds() == s.interval * 1000,
            "the timer runs for the interval or not at all");

    ClosingState state;
    state.top = s.top;
    state.left = s.left;
    state.height = s.height;
    state.width = s.width;
    state.viewHeight = s.viewHeight;
    state.columnWidths = s.columnWidths;
    state.topMost = s.topMost();
    if (s.intervalItem()) state.intervalItem = *s.intervalItem();
    state.sort = s.sort;
    state.notifiesChanges = s.notifiesChanges();
    writeSettings(files, IniPath, state);
    const Settings back = readSettings(files, IniPath);
    require(back.top == s.top && back.left == s.left && back.height == s.height &&
                back.width == s.width && back.viewHeight == s.viewHeight,
            "the window keys read back");
    require(back.columnWidths == s.columnWidths, "the column widths read back");
    require(back.style == (s.topMost() ? 1 : 0), "the style reads back");
    require(back.interval == (s.intervalItem() ? s.interval : 60),
            "the interval reads back as its item");
    require(back.sort.key == s.sort.key && back.sort.order == s.sort.order, "the order reads back");
    require(back.notifiesChanges() == s.notifiesChanges(), "the notification choice reads back");
    const StateColours& c = s.colours;
    const StateColours& d = back.colours;
    require(c.listBack == d.listBack && c.normal == d.normal && c.newUp == d.newUp &&
                c.newUp2 == d.newUp2 && c.todayUp == d.todayUp && c.notFound == d.notFound &&
                c.memoBack == d.memoBack && c.memoFont == d.memoFont,
            "the colours, not written, are kept");
    return 0;
}
