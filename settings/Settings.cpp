#include "Settings.h"

#include "FileError.h"
#include "IniFile.h"

namespace morvane {

SortKey sortKeyFromStored(int stored) {
    return stored >= 1 && stored <= 5 ? static_cast<SortKey>(stored) : SortKey::WatchOrder;
}

int storedSortKey(SortKey key) {
    return static_cast<int>(key);
}

SortOrder sortOrderFromStored(int stored) {
    return stored == 0 ? SortOrder::Ascending : SortOrder::Descending;
}

int storedSortOrder(SortOrder order) {
    return order == SortOrder::Ascending ? 0 : 1;
}

namespace {

constexpr const char* WindowSection = "Window";
constexpr const char* ListSection = "List";
constexpr const char* ColorSection = "Color";
constexpr std::array<const char*, ColumnCount> ColumnKeys = {"H0", "H1", "H2", "H3", "H4"};

constexpr int MaxColumnWidth = 10000;
// The longest period in seconds whose milliseconds still fit a positive 32-bit number.
constexpr int MaxIntervalSeconds = 2147483;

FileError cannotWrite(const std::string& iniPath) {
    return FileError(FileError::CannotWriteSettings, iniPath);
}

}  // namespace

std::optional<CheckInterval> intervalFromStored(int seconds) {
    switch (seconds) {
        case 1:
            return CheckInterval::OneSecond;
        case 10:
            return CheckInterval::TenSeconds;
        case 30:
            return CheckInterval::ThirtySeconds;
        case 60:
            return CheckInterval::SixtySeconds;
        default:
            return std::nullopt;
    }
}

int storedInterval(CheckInterval item) {
    switch (item) {
        case CheckInterval::OneSecond:
            return 1;
        case CheckInterval::TenSeconds:
            return 10;
        case CheckInterval::ThirtySeconds:
            return 30;
        case CheckInterval::SixtySeconds:
            break;
    }
    return 60;
}

int Settings::columnWidth(int column) const {
    if (column < 0 || column >= static_cast<int>(columnWidths.size())) return 0;
    const int width = columnWidths[static_cast<std::size_t>(column)];
    return width < 0 ? 0 : width > MaxColumnWidth ? MaxColumnWidth : width;
}

int Settings::timerMilliseconds() const {
    return interval > 0 && interval <= MaxIntervalSeconds ? interval * 1000 : 0;
}

Settings readSettings(FileSystem& files, const std::string& iniPath) {
    std::string bytes;
    IniFile ini;
    if (files.readAll(iniPath, bytes, MaxSettingsBytes) == ReadStatus::Ok) ini = IniFile(bytes);

    // Each key falls back to the value the struct starts with.
    Settings s;
    s.top = ini.integer(WindowSection, "Top", s.top);
    s.left = ini.integer(WindowSection, "Left", s.left);
    s.height = ini.integer(WindowSection, "Height", s.height);
    s.width = ini.integer(WindowSection, "Width", s.width);
    s.viewHeight = ini.integer(WindowSection, "ViewHeight", s.viewHeight);
    for (std::size_t n = 0; n < ColumnKeys.size(); ++n)
        s.columnWidths[n] = ini.integer(WindowSection, ColumnKeys[n], DefaultColumnWidths[n]);
    s.style = ini.integer(WindowSection, "Style", s.style);

    s.interval = ini.integer(ListSection, "Interval", s.interval);
    s.sort.key = sortKeyFromStored(ini.integer(ListSection, "SortKey", 0));
    s.sort.order = sortOrderFromStored(ini.integer(ListSection, "SortType", 0));
    s.notify = ini.integer(ListSection, "Notify", s.notify);

    StateColours& c = s.colours;
    c.listBack = ini.integer(ColorSection, "ListBack", c.listBack);
    c.normal = ini.integer(ColorSection, "Normal", c.normal);
    c.newUp = ini.integer(ColorSection, "NewUp", c.newUp);
    c.newUp2 = ini.integer(ColorSection, "NewUp2", c.newUp2);
    c.todayUp = ini.integer(ColorSection, "TodayUp", c.todayUp);
    c.notFound = ini.integer(ColorSection, "NotFound", c.notFound);
    c.memoBack = ini.integer(ColorSection, "MemoBack", c.memoBack);
    c.memoFont = ini.integer(ColorSection, "MemoFont", c.memoFont);
    return s;
}

namespace {

// The file's bytes with the keys of a close request set, and in `original` its bytes as they
// were ("" when there is no file). Throws when the file exists but cannot be read.
std::string withClosingState(FileSystem& files, const std::string& iniPath,
                             const ClosingState& state, std::string& original) {
    // The keys not written here must survive, so a file that exists but cannot be read is left
    // alone rather than replaced by one holding only these keys.
    const ReadStatus status = files.readAll(iniPath, original, MaxSettingsBytes);
    if (status == ReadStatus::Failed) throw cannotWrite(iniPath);
    if (status != ReadStatus::Ok) original.clear();
    IniFile ini(original);

    if (!state.maximised) {
        ini.setInteger(WindowSection, "Top", state.top);
        ini.setInteger(WindowSection, "Left", state.left);
        ini.setInteger(WindowSection, "Height", state.height);
        ini.setInteger(WindowSection, "Width", state.width);
        ini.setInteger(WindowSection, "ViewHeight", state.viewHeight);
    }
    for (std::size_t n = 0; n < ColumnKeys.size(); ++n)
        ini.setInteger(WindowSection, ColumnKeys[n], state.columnWidths[n]);
    ini.setInteger(WindowSection, "Style", state.topMost ? 1 : 0);

    ini.setInteger(ListSection, "Interval", storedInterval(state.intervalItem));
    ini.setInteger(ListSection, "SortKey", storedSortKey(state.sort.key));
    ini.setInteger(ListSection, "SortType", storedSortOrder(state.sort.order));
    ini.setInteger(ListSection, "Notify", state.notifiesChanges ? 1 : 0);
    return ini.bytes();
}

}  // namespace

void writeSettings(FileSystem& files, const std::string& iniPath, const ClosingState& state) {
    std::string original;
    if (!files.replaceAll(iniPath, withClosingState(files, iniPath, state, original)))
        throw cannotWrite(iniPath);
}

bool writeChangedSettings(FileSystem& files, const std::string& iniPath,
                          const ClosingState& state) {
    std::string original;
    const std::string bytes = withClosingState(files, iniPath, state, original);
    if (bytes == original) return false;
    if (!files.replaceAll(iniPath, bytes)) throw cannotWrite(iniPath);
    return true;
}

}  // namespace morvane
