// The check of 100 real files against the bare stat() loop it cannot avoid, and the ordering
// alone under each sort key. Run with --benchmark_repetitions=9 for medians;
// RefreshAgainstBareStat gives the ratio of the two measured side by side.

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "SystemPlatform.h"
#include "Watch.h"
#include "WatchLine.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

constexpr int FileCount = 100;

// 100 files in a temporary folder, half of them with Japanese names, and the watch list that
// names them; removed when the program ends.
class Corpus {
public:
    Corpus() {
        std::string pattern = (fs::temp_directory_path() / "morvane-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        root_ = pattern;
        const std::string folders[] = {"/", "/文書/", "/src/engine/", "/写真/2024年/"};
        for (const std::string& folder : folders) fs::create_directories(root_ + folder);
        const std::string names[] = {"メモ", "report", "設定ファイル", "Data", "ログ"};
        for (int i = 0; i < FileCount; ++i) {
            const std::string folder = folders[i % 4];
            const std::string file = (i % 2 ? "file" : "ファイル") + std::to_string(i) + ".txt";
            const std::string native = root_ + folder + file;
            std::ofstream(native) << std::string(static_cast<std::size_t>(i * 37), 'x');
            nativePaths.push_back(native);
            std::string name, path;
            codec().fromUtf8(names[i % 5] + std::to_string(i), name);
            codec().fromUtf8(native, path);
            watchList.push_back(makeWatchLine(name, path));
        }
    }
    ~Corpus() { fs::remove_all(root_); }

    static SystemPlatform& system() {
        static SystemPlatform platform;
        return platform;
    }
    static const TextCodec& codec() { return system().codec(); }

    std::vector<std::string> nativePaths;
    WatchList watchList;

private:
    std::string root_;
};

Corpus& corpus() {
    static Corpus instance;
    return instance;
}

void BareStatLoop(benchmark::State& state) {
    const std::vector<std::string>& paths = corpus().nativePaths;
    for (auto _ : state) {
        for (const std::string& path : paths) {
            struct stat st;
            benchmark::DoNotOptimize(::stat(path.c_str(), &st));
        }
    }
}
BENCHMARK(BareStatLoop)->Unit(benchmark::kMicrosecond);

// The watch as the window keeps it, its lookups at once.
struct BenchWatch {
    Platform platform = Corpus::system().platform();
    Watch watch{platform, std::make_unique<LookupsAtOnce>(platform.files)};

    explicit BenchWatch(SortState sort) {
        watch.sort(sort);
        watch.setFiles(watchedFiles(platform.codec, corpus().watchList));
        runCheck(watch, true);
    }
    bool found() const {
        return watch.rows().size() == FileCount &&
               stateOf(watch.rows().front().record) != RecordState::NotFound;
    }
};

// A refresh of the watch list as it is: every line parsed and every path converted at every
// check.
void RefreshCheck(benchmark::State& state) {
    BenchWatch bench({SortKey::Name, SortOrder::Ascending});
    for (auto _ : state) {
        benchmark::DoNotOptimize(watchedFiles(bench.platform.codec, corpus().watchList));
        benchmark::DoNotOptimize(runCheck(bench.watch, false));
    }
    if (!bench.found()) state.SkipWithError("the corpus was not found");
}
BENCHMARK(RefreshCheck)->Unit(benchmark::kMicrosecond);

double threadCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The refresh check of watched files parsed once, as the window keeps them, and the bare stat()
// loop, one after the other in every iteration, so that both see the same state of the machine; the
// counters give each one's CPU time and the ratio. range(0) files change between two iterations,
// outside the measured part.
void RefreshAgainstBareStat(benchmark::State& state) {
    BenchWatch bench({SortKey::Name, SortOrder::Ascending});
    const std::vector<std::string>& paths = corpus().nativePaths;
    const int changing = static_cast<int>(state.range(0));
    double bare = 0, refresh = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int k = 0; k < changing; ++k)
            std::ofstream(paths[std::size_t(round * changing + k) % paths.size()], std::ios::app)
                << 'x';
        state.ResumeTiming();
        const double t0 = threadCpuSeconds();
        for (const std::string& path : paths) {
            struct stat st;
            benchmark::DoNotOptimize(::stat(path.c_str(), &st));
        }
        const double t1 = threadCpuSeconds();
        benchmark::DoNotOptimize(runCheck(bench.watch, false));
        const double t2 = threadCpuSeconds();
        bare += t1 - t0;
        refresh += t2 - t1;
        ++round;
    }
    if (!bench.found()) state.SkipWithError("the corpus was not found");
    state.counters["bare_stat_us"] = bare / round * 1e6;
    state.counters["refresh_us"] = refresh / round * 1e6;
    state.counters["ratio"] = refresh / bare;
}
BENCHMARK(RefreshAgainstBareStat)
    ->ArgName("changing")
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMicrosecond);

Records checkedRecords() {
    const BenchWatch bench({});
    Records records;
    for (const WatchRow& row : bench.watch.rows()) records.push_back(row.record);
    return records;
}

void OrderRecordsUnderKey(benchmark::State& state) {
    Records records = checkedRecords();
    const SortState sort{static_cast<SortKey>(state.range(0)), SortOrder::Ascending};
    for (auto _ : state) {
        orderRecords(records, sort, Corpus::system().collator());
        benchmark::DoNotOptimize(records.data());
    }
}
BENCHMARK(OrderRecordsUnderKey)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

// The three ways the collator can order orderRecords's 100 texts, to keep the fastest.
enum Strategy { CompareEachPair, SortKeys, PreparedOnce };

void CollatorStrategy(benchmark::State& state) {
    const Collator& collator = Corpus::system().collator();
    const Records records = checkedRecords();
    for (auto _ : state) {
        std::vector<std::string> texts = records;
        switch (state.range(0)) {
            case CompareEachPair:
                std::sort(texts.begin(), texts.end(),
                          [&](const std::string& a, const std::string& b) {
                              return collator.compare(a, b) < 0;
                          });
                break;
            case SortKeys:
                benchmark::DoNotOptimize(collator.Collator::ascendingOrder(texts));
                break;
            case PreparedOnce:
                collator.sortAscending(texts);
                break;
        }
        benchmark::DoNotOptimize(texts.data());
    }
    const char* const labels[] = {"compare each pair", "sortKey per text", "prepared once"};
    state.SetLabel(labels[state.range(0)]);
}
BENCHMARK(CollatorStrategy)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace morvane

BENCHMARK_MAIN();
