// The least a check of the watched files can cost: one stat() of each file, once a period, in
// a process that does nothing else. The soak runs it beside the program over the same files.
//   morvane_stat_loop PATH-LIST SECONDS [PERIOD-MS]
// PATH-LIST holds one native path a line. Prints the rounds run and the CPU time they took.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void addNanoseconds(timespec& t, long long ns) {
    ns += t.tv_nsec;
    t.tv_sec += time_t(ns / 1000000000);
    t.tv_nsec = long(ns % 1000000000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PATH-LIST SECONDS [PERIOD-MS]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> paths;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);)
        if (!line.empty()) paths.push_back(line);
    const long long seconds = std::stoll(argv[2]);
    const long long periodMs = argc > 3 ? std::stoll(argv[3]) : 1000;
    if (paths.empty() || seconds <= 0 || periodMs <= 0) {
        std::fprintf(stderr, "no paths, or no time to run\n");
        return 2;
    }

    const long long rounds = seconds * 1000 / periodMs;
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    const double cpu0 = cpuSeconds();
    int found = 0;
    for (long long r = 0; r < rounds; ++r) {
        addNanoseconds(next, periodMs * 1000000);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
        found = 0;
        for (const std::string& path : paths) {
            struct stat st;
            if (::stat(path.c_str(), &st) == 0) ++found;
        }
    }
    const double cpu = cpuSeconds() - cpu0;
    std::printf("rounds %lld files %zu found %d cpu_ms %.3f ms_per_round %.4f\n", rounds,
                paths.size(), found, cpu * 1e3, cpu * 1e3 / double(rounds));
    return found == int(paths.size()) ? 0 : 1;
}
