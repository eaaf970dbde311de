// The content view's reader over a generated log of realistic lines (1 GiB unless a size in
// MiB is given): the time to the first screen's lines, the whole index, a find of a word on
// the last line, the index's memory and the process's growth, and a follow of 100 appended
// lines; then wc -l and grep on the same file, from the page cache, in the same run.
//   morvane_log_bench [MiB] [file]

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "LogReader.h"
#include "PosixFileSystem.h"

using namespace morvane;
using Steady = std::chrono::steady_clock;

namespace {

double secondsSince(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

long rssKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

void writeLog(const std::string& path, std::int64_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::string chunk;
    const char* levels[] = {"INFO", "DEBUG", "WARN", "INFO", "ERROR"};
    std::int64_t written = 0;
    for (long i = 0; written < bytes; ++i) {
        chunk += "2024-03-01 12:" + std::to_string(10 + i % 50) + ":" +
                 std::to_string(10 + i % 49) + " [" + levels[i % 5] + "] worker-" +
                 std::to_string(i % 16) + " request " + std::to_string(i) + " handled in " +
                 std::to_string(i % 997) + " ms from 10.0.0." + std::to_string(i % 255) + "\n";
        if (chunk.size() > 1 << 20) {
            out << chunk;
            written += std::int64_t(chunk.size());
            chunk.clear();
        }
    }
    out << chunk << "the last line holds zebra\n";
}

double timeCommand(const std::string& command) {
    const auto start = Steady::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return secondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::string path = argc > 2 ? argv[2] : "/tmp/morvane-log-bench.log";
    std::fprintf(stderr, "writing %lld MiB to %s\n", static_cast<long long>(mib), path.c_str());
    writeLog(path, mib * 1024 * 1024);
    timeCommand("cat '" + path + "' > /dev/null");  // into the page cache

    std::mutex mutex;
    std::condition_variable changed;
    bool whole = false;
    bool grew = false;
    std::shared_ptr<LogReader> reader;
    const auto startWork = [](std::function<void()> work) {
        std::thread(std::move(work)).detach();
        return true;
    };
    // No window here: a delivery runs on the thread that posts it, under the lock.
    const auto post = [&](std::function<void()> delivery) {
        const std::lock_guard<std::mutex> lock(mutex);
        delivery();
        changed.notify_all();
    };
    const long rssBefore = rssKiB();
    const auto start = Steady::now();
    double firstScreen = 0;
    LogReader::open(makePosixFileSystem(), path, startWork, post,
                    [&](ContentLoad::Status, std::shared_ptr<LogReader> opened) {
                        reader = opened;
                        reader->setListener([&](const LogReader::Change& change) {
                            if (change.kind == LogReader::Change::Grew) grew = true;
                            if (reader->facts().indexWhole) whole = true;
                        });
                        reader->fetch(LineAnchor::Offset, 0, 0, 60, [&](LineBatch) {
                            if (firstScreen == 0) firstScreen = secondsSince(start);
                        });
                    });
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return whole; });
    const double index = secondsSince(start);
    lock.unlock();
    const LogReader::Facts facts = reader->facts();
    const long rssAfter = rssKiB();

    std::int64_t found = -2;
    const auto findStart = Steady::now();
    reader->find("zebra", 0, false, [&](std::int64_t at) { found = at; });
    lock.lock();
    changed.wait(lock, [&] { return found != -2; });
    const double find = secondsSince(findStart);
    lock.unlock();

    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (int i = 0; i < 100; ++i)
            out << "2024-03-01 13:00:00 [INFO] appended line " << i << "\n";
    }
    const auto followStart = Steady::now();
    reader->refresh([](ContentLoad::Status) {});
    lock.lock();
    changed.wait(lock, [&] { return grew; });
    const double follow = secondsSince(followStart);
    lock.unlock();

    const double gb = double(facts.textEnd) / 1e9;
    std::printf("log: %.3f GB, %lld lines\n", gb, static_cast<long long>(facts.lineCount));
    std::printf("first screen's lines read:  %8.4f s\n", firstScreen);
    std::printf("whole index:                %8.4f s  (%.2f GB/s)\n", index, gb / index);
    std::printf("find a word on the last line: %6.4f s  (at %lld)\n", find,
                static_cast<long long>(found));
    std::printf("follow of 100 lines added:  %8.4f s\n", follow);
    std::printf("index memory:               %8.3f MB\n", double(facts.indexBytes) / 1e6);
    std::printf("RSS growth with the index:  %8.1f MB\n", double(rssAfter - rssBefore) / 1024);
    std::printf("wc -l:                      %8.4f s\n",
                timeCommand("wc -l '" + path + "' > /dev/null"));
    std::printf("grep -c zebra:              %8.4f s\n",
                timeCommand("grep -c zebra '" + path + "' > /dev/null"));
    reader->close();
    return 0;
}
