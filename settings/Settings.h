#pragma once

// The main window's settings file "Morvane.ini": sections "Window", "List" and "Color".

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "Ordering.h"
#include "Platform.h"
#include "StatusRecord.h"

namespace morvane {

inline constexpr const char* SettingsFileName = "Morvane.ini";
inline constexpr std::array<int, ColumnCount> DefaultColumnWidths = {120, 80, 60, 112, 144};
// A settings file larger than this is not read: its keys give their defaults, and it is not
// written over either.
inline constexpr std::size_t MaxSettingsBytes = 4 * 1024 * 1024;

// The items of the settings menu that set the time between timed checks.
enum class CheckInterval { OneSecond, TenSeconds, ThirtySeconds, SixtySeconds };

// The item that shows a stored "Interval" of 1, 10, 30 or 60 seconds; none for any other value.
std::optional<CheckInterval> intervalFromStored(int seconds);
// The seconds an item stands for, as stored.
int storedInterval(CheckInterval item);

// Colours are 0x00BBGGRR values.
struct StateColours {
    std::int32_t listBack = 0;
    std::int32_t normal = 0xFFFF00;
    std::int32_t newUp = 0x0000FF;
    std::int32_t newUp2 = 0xFF00FF;
    std::int32_t todayUp = 0x00FFFF;
    std::int32_t notFound = 0x808080;
    std::int32_t memoBack = 0;
    std::int32_t memoFont = 0x00FF00;
};

// The stored "SortKey": 0 watch-list order, 1 name, 2 file name, 3 size, 4 modification time,
// 5 directory; any other number acts as watch-list order.
SortKey sortKeyFromStored(int stored);
int storedSortKey(SortKey key);
// The stored "SortType": 0 ascending; any other number acts as descending.
SortOrder sortOrderFromStored(int stored);
int storedSortOrder(SortOrder order);

// Every key as read, each its default where missing or not a number.
struct Settings {
    int top = 1;
    int left = 1;
    int height = 300;
    int width = 540;
    int viewHeight = 200;
    std::array<int, ColumnCount> columnWidths = DefaultColumnWidths;  // as stored, not yet limited
    int style = 0;
    int interval = 60;  // seconds, as stored
    SortState sort;     // as sortKeyFromStored and sortOrderFromStored read it
    int notify = 0;     // "Notify", as stored
    StateColours colours;

    // How the values apply to the window.
    bool topMost() const { return style == 1; }
    // A desktop notification for each check that changes files: only "Notify=1" turns it on.
    bool notifiesChanges() const { return notify == 1; }
    int columnWidth(int column) const;  // limited to 0..10000
    std::optional<CheckInterval> intervalItem() const { return intervalFromStored(interval); }
    int timerMilliseconds() const;  // 0 where no timed checks run (0, negative, too large)
};

// What a close request writes.
struct ClosingState {
    bool maximised = false;
    int top = 0;  // the window's normal (restored) geometry
    int left = 0;
    int height = 0;  // outer height less the content view's current height
    int width = 0;
    int viewHeight = 200;
    std::array<int, ColumnCount> columnWidths = DefaultColumnWidths;
    bool topMost = false;
    CheckInterval intervalItem = CheckInterval::SixtySeconds;  // the checked one
    SortState sort;  // the checked key and direction items
    bool notifiesChanges = false;
};

// Reads every key; a missing or unreadable file gives the defaults, silently. A value is read
// as IniFile::integer reads it; anything that is not a number gives the key's default.
Settings readSettings(FileSystem& files, const std::string& iniPath);

// Writes the keys of a close request, keeping every other byte of the file. Throws FileError
// CannotWriteSettings when the file cannot be written; the file is then unchanged.
// A file that exists but cannot be read is not written over, since its other keys would be lost.
// The file is replaced once, whole (FileSystem::replaceAll), so a failure never leaves it cut.
void writeSettings(FileSystem& files, const std::string& iniPath, const ClosingState& state);

// Writes as writeSettings does, but only when that would change the file's bytes; returns
// whether it wrote.
bool writeChangedSettings(FileSystem& files, const std::string& iniPath, const ClosingState& state);

}  // namespace morvane
