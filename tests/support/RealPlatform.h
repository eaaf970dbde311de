#pragma once

// The real platform for tests: the ICU codec and collator, Shift-JIS helpers, and a temporary
// folder on the real file system.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "SystemPlatform.h"

namespace morvane::testing {

inline SystemPlatform& realPlatform() {
    static SystemPlatform platform;
    return platform;
}

inline std::string sjis(std::string_view utf8Text) {
    std::string out;
    realPlatform().codec().fromUtf8(utf8Text, out);
    return out;
}

inline std::string utf8(std::string_view sjisText) {
    std::string out;
    realPlatform().codec().toUtf8(sjisText, out);
    return out;
}

// A fresh folder under the temporary directory, removed with all it holds.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path with its trailing "/".
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

    // Writes name and returns its path; with a time, that is its last-write time.
    std::string write(const std::string& name, const std::string& bytes,
                      std::optional<LocalDateTime> modified = std::nullopt) const {
        const std::string file = path_ + name;
        std::ofstream(file, std::ios::binary) << bytes;
        if (modified) {
            std::tm parts{};
            parts.tm_year = modified->year - 1900;
            parts.tm_mon = modified->month - 1;
            parts.tm_mday = modified->day;
            parts.tm_hour = modified->hour;
            parts.tm_min = modified->minute;
            parts.tm_sec = modified->second;
            parts.tm_isdst = -1;
            const std::time_t time = std::mktime(&parts);
            const timespec times[2] = {{time, 0}, {time, 0}};
            ::utimensat(AT_FDCWD, file.c_str(), times, 0);
        }
        return file;
    }

    std::string read(const std::string& name) const {
        std::ifstream in(path_ + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The sorted names in the folder or one below it: what a replace leaves behind.
    std::vector<std::string> names(const std::string& sub = ".") const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(path_ + sub))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string path_;
};

// The permission bits of the file at path.
inline mode_t permissionsOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace morvane::testing
