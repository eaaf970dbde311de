// The window's refresh checks over time: 600 checks of 100 real files, as ten minutes at a
// one-second interval would run them, each followed by whatever repaint it leads to. Run idle
// (no file changes) and busy (three files change every fifth check).

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <ctime>

#include "MainWindow.h"
#include "PaintWatch.h"
#include "SystemPlatform.h"
#include "WatchedFolder.h"

namespace morvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double processCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

constexpr int Checks = 600;
constexpr int WarmUp = 100;

// Runs the event loop for a while, so that repaints the platform holds back for its next frame
// are made too.
void settle() {
    QEventLoop loop;
    QTimer::singleShot(15, &loop, &QEventLoop::quit);
    loop.exec();
}

// One iteration is one check. Every fifth check, range(0) files have changed since the one
// before, so their rows go through their states; the changes are made outside the measured part.
// The timer is stopped: the checks are driven here, one after another.
void RefreshChecksOverTime(benchmark::State& state) {
    const int changing = static_cast<int>(state.range(0));
    SystemPlatform system;
    Platform platform = system.platform();
    WatchedFolder folder(system.codec(), 100);
    std::string error;
    UiHooks hooks;
    hooks.reportError = [&](const std::string& message) { error = message; };
    MainWindow form(platform, system.sharedFiles(), folder.appDir(), hooks);
    auto* list = form.findChild<QAbstractItemView*>(QStringLiteral("ListLog"));
    auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    auto* refresh = form.findChild<QAction*>(QStringLiteral("MenuRepaint"));
    auto* lastCheck = form.findChild<QLabel*>(QStringLiteral("StatusBar1.Panel0"));
    auto* now = form.findChild<QLabel*>(QStringLiteral("StatusBar1.Panel1"));
    if (!list || !timer || !refresh || !lastCheck || !now) {
        state.SkipWithError("no ListLog, Timer1, MenuRepaint or status panel");
        return;
    }
    PaintWatch watch(list->viewport());
    PaintWatch lastCheckWatch(lastCheck);
    PaintWatch nowWatch(now);
    form.show();
    const Clock::time_point end = Clock::now() + 10s;
    while (watch.paints == 0 && Clock::now() < end) QApplication::processEvents();
    timer->stop();
    settle();
    watch.paints = lastCheckWatch.paints = nowWatch.paints = 0;

    const std::int64_t before = residentKiB();
    std::int64_t warm = before;
    double cpuCheck = 0, cpuPaint = 0;
    int check = 0;
    for (auto _ : state) {
        if (check % 5 == 0)
            for (int k = 0; k < changing; ++k) folder.change(check / 5 * changing + k);
        const double cpu0 = processCpuSeconds();
        refresh->trigger();
        const double cpu1 = processCpuSeconds();
        settle();
        const double cpu2 = processCpuSeconds();
        cpuCheck += cpu1 - cpu0;
        cpuPaint += cpu2 - cpu1;
        // The time reported is the CPU time of the check and its repaint, not the wall time,
        // which holds the wait for the platform's next frame.
        state.SetIterationTime(cpu2 - cpu0);
        if (++check == WarmUp) warm = residentKiB();
    }
    const std::int64_t after = residentKiB();
    if (!error.empty() || list->model()->rowCount() != 100) {
        state.SkipWithError(error.empty() ? "the window did not hold 100 records" : error.c_str());
        return;
    }
    // The check itself (the records and the status texts), and the repaint it leads to.
    state.counters["cpu_us_per_check"] = (cpuCheck + cpuPaint) / check * 1e6;
    state.counters["cpu_us_check_part"] = cpuCheck / check * 1e6;
    state.counters["cpu_us_paint_part"] = cpuPaint / check * 1e6;
    state.counters["cpu_ms_total"] = (cpuCheck + cpuPaint) * 1e3;
    state.counters["list_paints_per_check"] = static_cast<double>(watch.paints) / check;
    state.counters["status_paints_per_check"] =
        static_cast<double>(lastCheckWatch.paints + nowWatch.paints) / check;
    state.counters["rss_before_KiB"] = static_cast<double>(before);
    state.counters["rss_after100_KiB"] = static_cast<double>(warm);
    state.counters["rss_after600_KiB"] = static_cast<double>(after);
    state.counters["growth_after_warmup_KiB"] = static_cast<double>(after - warm);
}
BENCHMARK(RefreshChecksOverTime)
    ->ArgName("changing")
    ->Arg(0)
    ->Arg(3)
    ->Iterations(Checks)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace morvane::bench
