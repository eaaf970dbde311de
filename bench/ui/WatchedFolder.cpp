#include "WatchedFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "WatchLine.h"

namespace morvane::bench {

namespace fs = std::filesystem;

WatchedFolder::WatchedFolder(const TextCodec& codec, int files) {
    std::string pattern = (fs::temp_directory_path() / "morvane-uibench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    const std::string folders[] = {"/", "/文書/", "/src/engine/", "/写真/2024年/"};
    for (const std::string& folder : folders) fs::create_directories(root_ + folder);
    const std::string names[] = {"メモ", "report", "設定ファイル", "Data", "ログ"};
    std::string list;
    for (int i = 0; i < files; ++i) {
        const std::string folder = folders[i % 4];
        const std::string file = (i % 2 ? "file" : "ファイル") + std::to_string(i) + ".txt";
        const std::string native = root_ + folder + file;
        std::ofstream(native) << std::string(static_cast<std::size_t>(i * 37), 'x');
        files_.push_back(native);
        std::string name, path;
        codec.fromUtf8(names[i % 5] + std::to_string(i), name);
        codec.fromUtf8(native, path);
        list += makeWatchLine(name, path) + "\r\n";
    }
    write("Filelst.txt", list);
}

WatchedFolder::~WatchedFolder() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string WatchedFolder::write(const std::string& name, const std::string& bytes) const {
    const std::string path = root_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string WatchedFolder::copyProgram(const std::string& program) const {
    const std::string path = root_ + "/" + fs::path(program).filename().string();
    fs::copy_file(program, path, fs::copy_options::overwrite_existing);
    return path;
}

void WatchedFolder::change(int index) const {
    std::ofstream(files_[static_cast<std::size_t>(index) % files_.size()], std::ios::app) << 'y';
}

std::int64_t residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtoll(line.c_str() + 6, nullptr, 10);
    return -1;
}

}  // namespace morvane::bench
