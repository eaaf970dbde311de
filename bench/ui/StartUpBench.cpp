// From start to the first painted main window over 100 watched files: the real program on a
// private X display, and the window's own share inside an application already running.

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "MainWindow.h"
#include "PaintWatch.h"
#include "SystemPlatform.h"
#include "WatchedFolder.h"
#include "XServer.h"

namespace morvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The viewport is what paints the rows of the list; the list itself gets no paint event.
QWidget* listViewport(MainWindow& form) {
    auto* list = form.findChild<QAbstractScrollArea*>(QStringLiteral("ListLog"));
    return list ? list->viewport() : nullptr;
}

int rowCount(MainWindow& form) {
    auto* list = form.findChild<QAbstractItemView*>(QStringLiteral("ListLog"));
    return list ? list->model()->rowCount() : -1;
}

// Each run copies the program into a fresh folder with its watch list, starts it, and stops
// the clock when the X server has mapped the window and its content is on the screen; the
// program is then killed. The argument is the number of watched files (0: an empty list).
void RealProgramFirstPaint(benchmark::State& state) {
    XServer x;
    if (!x.ok()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    SystemPlatform system;
    std::vector<double> mapped, painted;
    for (auto _ : state) {
        WatchedFolder folder(system.codec(), static_cast<int>(state.range(0)));
        const std::string program = folder.copyProgram(MORVANE_PROGRAM);
        const Clock::time_point start = Clock::now();
        const pid_t pid = x.start(program, folder.appDir());
        const auto seen = x.waitForPaintedWindow("Morvane", 30s);
        killProgram(pid);
        if (!seen) {
            state.SkipWithError("the window was not painted within 30 s");
            break;
        }
        mapped.push_back(milliseconds(seen->mapped - start));
        painted.push_back(milliseconds(seen->painted - start));
        state.SetIterationTime(milliseconds(seen->painted - start) / 1000);
    }
    state.counters["mapped_ms"] = median(mapped);
    state.counters["painted_ms"] = median(painted);
    if (!painted.empty()) {
        state.counters["painted_min_ms"] = *std::min_element(painted.begin(), painted.end());
        state.counters["painted_max_ms"] = *std::max_element(painted.begin(), painted.end());
    }
}
BENCHMARK(RealProgramFirstPaint)
    ->Arg(100)
    ->Arg(0)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// What main() does once the application is up: the platform, the window (which reads its
// settings), show() (which loads the watch list and runs the first check), and the events up
// to the end of the list's first paint.
void WindowFirstPaint(benchmark::State& state) {
    SystemPlatform codecSource;
    WatchedFolder folder(codecSource.codec(), 100);
    std::vector<double> constructed, shown, painted;
    std::string error;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        auto system = std::make_unique<SystemPlatform>();
        Platform platform = system->platform();
        UiHooks hooks;
        hooks.reportError = [&](const std::string& message) { error = message; };
        auto form =
            std::make_unique<MainWindow>(platform, system->sharedFiles(), folder.appDir(), hooks);
        const Clock::time_point built = Clock::now();
        QWidget* viewport = listViewport(*form);
        if (!viewport) {
            state.SkipWithError("no list named ListLog");
            break;
        }
        PaintWatch watch(viewport);
        form->show();
        const Clock::time_point showReturned = Clock::now();
        while (watch.paints == 0 && Clock::now() - start < 10s) QApplication::processEvents();
        const Clock::time_point end = Clock::now();
        state.SetIterationTime(milliseconds(end - start) / 1000);

        if (watch.paints == 0 || rowCount(*form) != 100 || !error.empty()) {
            state.SkipWithError(error.empty() ? "the list was not painted with 100 rows"
                                              : error.c_str());
            break;
        }
        constructed.push_back(milliseconds(built - start));
        shown.push_back(milliseconds(showReturned - built));
        painted.push_back(milliseconds(end - showReturned));
        form.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["create_ms"] = median(constructed);
    state.counters["show_ms"] = median(shown);
    state.counters["to_paint_ms"] = median(painted);
}
BENCHMARK(WindowFirstPaint)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace morvane::bench
