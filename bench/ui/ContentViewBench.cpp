// The content view over a log of about 1 GiB that the real main window watches: what the
// process holds with the view closed and then open on the log, how soon the first lines and the
// whole index come, how long the window's event loop is held at each step a user takes
// (opening, indexing, Ctrl+End, a find of the last line's word, PgDn, a follow), and what a
// check costs while the view follows a log that grows by 100 lines a second. The figures are
// counters; nothing here is a pass or a fail. The CPU per check holds the probe's own ticks and
// the appends, which cpu_ms_idle_per_s and the checks with the view closed show apart. Memory
// freed by a repetition is kept by the allocator for the next: the resident figures are those
// of the first run in a process.
// MORVANE_BENCH_LOG=path writes the log there and leaves it, so that other programs can be
// timed on the same bytes.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "MainWindow.h"
#include "SystemPlatform.h"
#include "WatchLine.h"
#include "WatchedFolder.h"

namespace morvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::int64_t LogBytes = std::int64_t(1) << 30;
// The follow: lines added each tenth of a second, for this many one-second checks.
constexpr int LinesPerTenth = 10;
constexpr int FollowChecks = 10;
constexpr int PageDowns = 50;

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuMilliseconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::int64_t statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::strtoll(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// From here on VmHWM is the peak of what follows.
void restartPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

bool writeAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool append(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    if (fd < 0) return false;
    const bool ok = writeAll(fd, bytes);
    ::close(fd);
    return ok;
}

struct Log {
    std::int64_t lines = 0;
    std::string firstLine;
};

// Lines of a service's day, about 100 bytes each: a time stamp, a level, a worker and words,
// none of them the word the last line will hold. Written through to the disk, so that its
// write-back does not run under the figures.
std::optional<Log> writeLog(const std::string& path, std::int64_t bytes) {
    static const char* const levels[] = {"INFO ", "DEBUG", "INFO ", "WARN ",
                                         "INFO ", "DEBUG", "ERROR", "INFO "};
    static const char* const subjects[] = {"request", "session", "cache", "payment",
                                           "order",   "upload",  "token", "queue"};
    static const char* const verbs[] = {"accepted", "handled", "retried", "stored",
                                        "expired",  "closed",  "queued",  "checked"};
    static const char* const objects[] = {"for user alice",    "for user bob",   "from the app",
                                          "on shard 3",        "after backoff",  "by the scheduler",
                                          "with two warnings", "via the gateway"};
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return std::nullopt;
    Log log;
    std::string chunk;
    chunk.reserve((1 << 20) + 512);
    std::int64_t written = 0;
    char line[256];
    for (long long i = 0; written + std::int64_t(chunk.size()) < bytes; ++i) {
        const long long t = i * 7;  // milliseconds into the day
        const int n = std::snprintf(
            line, sizeof line,
            "2024-03-01 %02lld:%02lld:%02lld.%03lld %s [worker-%02lld] %s %s id=%07lld %s in %lld "
            "ms from 10.0.%lld.%lld\n",
            t / 3600000 % 24, t / 60000 % 60, t / 1000 % 60, t % 1000, levels[i % 8], i % 16,
            subjects[i * 7 % 8], verbs[i / 3 % 8], i * 7919 % 10000000, objects[i / 5 % 8],
            i * 31 % 997, i % 256, i * 13 % 256);
        if (i == 0) log.firstLine.assign(line, static_cast<std::size_t>(n - 1));
        chunk.append(line, static_cast<std::size_t>(n));
        ++log.lines;
        if (chunk.size() >= (1 << 20)) {
            if (!writeAll(fd, chunk)) break;
            written += std::int64_t(chunk.size());
            chunk.clear();
        }
    }
    const bool ok = written + std::int64_t(chunk.size()) >= bytes && writeAll(fd, chunk) &&
                    ::fdatasync(fd) == 0;
    ::close(fd);
    if (!ok) return std::nullopt;
    return log;
}

std::string followLine(int number) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "2024-03-02 00:00:%02d.%03d INFO  [writer-1] appended line %06d while watched\n",
                  number / 100 % 60, number % 100 * 10, number);
    return line;
}

const std::string LastLine =
    "2024-03-02 00:59:59.999 ERROR [worker-00] shutdown requested: zebra checkpoint written in 12 "
    "ms\n";

// The window's event loop seen from inside it: a 1 ms timer, the longest gap between whose
// ticks is the longest the loop was held by anything else. The waits below run the loop and
// look at their ends at each tick.
class LoopProbe {
public:
    LoopProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(1);
    }

    void restart() {
        last_ = Clock::now();
        longest_ = {};
    }
    double longestMs() const { return milliseconds(std::max(longest_, Clock::now() - last_)); }

    // Runs the event loop until done() holds or the limit passes; whether done() held.
    bool runUntil(const std::function<bool()>& done, Clock::duration limit) {
        if (done()) return true;
        QEventLoop loop;
        const Clock::time_point end = Clock::now() + limit;
        until_ = [&] {
            if (done() || Clock::now() >= end) loop.quit();
        };
        loop.exec();
        until_ = nullptr;
        return done();
    }
    void runUntil(Clock::time_point when) {
        runUntil([when] { return Clock::now() >= when; }, when - Clock::now() + 1s);
    }

private:
    void tick() {
        const Clock::time_point now = Clock::now();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
        if (until_) until_();
    }

    QTimer timer_;
    Clock::time_point last_ = Clock::now();
    Clock::duration longest_{};
    std::function<void()> until_;
};

// The first paint of a widget at which what it shows passes a test, seen from outside it.
class SeenPainted : public QObject {
public:
    explicit SeenPainted(QWidget* watched) { watched->installEventFilter(this); }

    void expect(std::function<bool()> shows) {
        shows_ = std::move(shows);
        seen_.reset();
    }
    const std::optional<Clock::time_point>& seen() const { return seen_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && shows_ && !seen_ && shows_()) seen_ = Clock::now();
        return false;
    }

private:
    std::function<bool()> shows_;
    std::optional<Clock::time_point> seen_;
};

// What a screen reader is told the box shows: the lines in view, and the selection.
QString shownText(QWidget* memo) {
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(memo);
    QAccessibleTextInterface* text = box ? box->textInterface() : nullptr;
    return text ? text->text(0, text->characterCount()) : QString();
}

QString selectedText(QWidget* memo) {
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(memo);
    QAccessibleTextInterface* text = box ? box->textInterface() : nullptr;
    if (!text || text->selectionCount() == 0) return {};
    int start = 0;
    int end = 0;
    text->selection(0, &start, &end);
    return text->text(start, end);
}

// The number of the last appended line in view; -1 for none.
int lastAppendedShown(QWidget* memo) {
    const QString text = shownText(memo);
    const QLatin1String mark("appended line ");
    const qsizetype at = text.lastIndexOf(mark);
    return at < 0 ? -1 : text.mid(at + mark.size(), 6).toInt();
}

struct FollowFigures {
    double processCpuMsPerCheck = 0;
    double windowCpuMsPerCheck = 0;
    double longestBlockMs = 0;
    double slowestShownMs = 0;  // from a check to the paint that shows its last line
    int checksNotShown = 0;     // checks whose last line was not painted before the next
};

// 100 lines a second added to the log for FollowChecks seconds, with a check at the start of
// each second. With memo, each check's last line is looked for in the box's paints.
FollowFigures follow(LoopProbe& probe, QAction& refresh, const std::string& path, int& appended,
                     QWidget* memo, SeenPainted* paints) {
    FollowFigures figures;
    const double process0 = cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
    const double window0 = cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    const Clock::time_point start = Clock::now();
    Clock::time_point checkedAt;
    probe.restart();
    for (int tenth = 0; tenth <= FollowChecks * 10; ++tenth) {
        probe.runUntil(start + tenth * 100ms);
        const bool check = tenth % 10 == 0;
        if (memo && check && tenth > 0) {
            if (paints->seen())
                figures.slowestShownMs =
                    std::max(figures.slowestShownMs, milliseconds(*paints->seen() - checkedAt));
            else
                ++figures.checksNotShown;
        }
        if (tenth == FollowChecks * 10) break;
        std::string lines;
        for (int k = 0; k < LinesPerTenth; ++k) lines += followLine(++appended);
        append(path, lines);
        if (check) {
            const int last = appended;
            if (memo) paints->expect([memo, last] { return lastAppendedShown(memo) >= last; });
            checkedAt = Clock::now();
            refresh.trigger();
        }
    }
    figures.longestBlockMs = probe.longestMs();
    figures.processCpuMsPerCheck =
        (cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - process0) / FollowChecks;
    figures.windowCpuMsPerCheck =
        (cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - window0) / FollowChecks;
    return figures;
}

// One run: every step once, in the order a user takes them.
void ContentViewOnLog(benchmark::State& state) {
    SystemPlatform system;
    Platform platform = system.platform();
    WatchedFolder folder(system.codec(), 0);
    const char* kept = std::getenv("MORVANE_BENCH_LOG");
    const std::string path = kept && *kept ? kept : folder.appDir() + "app.log";
    struct Removal {
        std::string path;
        ~Removal() {
            if (!path.empty()) std::remove(path.c_str());
        }
    } removal{kept && *kept ? std::string() : path};

    const Clock::time_point writeStart = Clock::now();
    const std::optional<Log> log = writeLog(path, LogBytes);
    if (!log) {
        state.SkipWithError("the log could not be written");
        return;
    }
    state.counters["log_write_s"] = milliseconds(Clock::now() - writeStart) / 1e3;
    std::string name;
    std::string sjisPath;
    system.codec().fromUtf8("アプリログ", name);
    system.codec().fromUtf8(path, sjisPath);
    folder.write("Filelst.txt", makeWatchLine(name, sjisPath) + "\r\n");

    std::string error;
    UiHooks hooks;
    hooks.reportError = [&](const std::string& message) { error = message; };
    hooks.runModal = [&](QDialog&) {
        error = "a message box was shown";
        return 0;
    };
    MainWindow form(platform, system.sharedFiles(), folder.appDir(), hooks);
    auto* list = form.findChild<QAbstractItemView*>(QStringLiteral("ListLog"));
    auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    auto* refresh = form.findChild<QAction*>(QStringLiteral("MenuRepaint"));
    auto* viewCommand = form.findChild<QAction*>(QStringLiteral("MenuFileView"));
    auto* panel = form.findChild<QWidget*>(QStringLiteral("PanelView"));
    auto* memo = form.findChild<QAbstractScrollArea*>(QStringLiteral("MemoList"));
    auto* findBox = form.findChild<QLineEdit*>(QStringLiteral("EditFind"));
    if (!list || !timer || !refresh || !viewCommand || !panel || !memo || !findBox) {
        state.SkipWithError("no ListLog, Timer1, MenuRepaint, MenuFileView, MemoList or EditFind");
        return;
    }
    LoopProbe probe;
    const auto fail = [&](const char* what) {
        state.SkipWithError(error.empty() ? what : error.c_str());
    };

    for (auto _ : state) {
        form.show();
        if (!probe.runUntil([&] { return list->model()->rowCount() == 1; }, 30s)) {
            fail("the window's first check did not show the log's row");
            break;
        }
        // The checks are driven here, one a second.
        timer->stop();
        form.activateWindow();
        (void)QTest::qWaitForWindowActive(&form);
        probe.runUntil(Clock::now() + 200ms);
        const std::int64_t closedKiB = residentKiB();

        // What the probe and the loop cost with nothing to do.
        const double idle0 = cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
        probe.restart();
        probe.runUntil(Clock::now() + 1s);
        const double idleGap = probe.longestMs();
        const double idleCpu = cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - idle0;

        int appended = 0;
        const FollowFigures closed = follow(probe, *refresh, path, appended, nullptr, nullptr);
        // The last line holds the word found below, and nothing before it does.
        append(path, LastLine);
        const std::int64_t totalLines = log->lines + appended + 1;

        SeenPainted paints(memo->viewport());
        QScrollBar* bar = memo->verticalScrollBar();
        std::optional<Clock::time_point> wholeAt;
        // Until the index is whole the bar counts bytes (halved to fit), after it lines.
        const QMetaObject::Connection barWatch =
            QObject::connect(bar, &QAbstractSlider::rangeChanged, bar, [&](int, int maximum) {
                if (!wholeAt && maximum > 0 && maximum <= totalLines) wholeAt = Clock::now();
            });

        list->setCurrentIndex(list->model()->index(0, 0));
        probe.runUntil(Clock::now() + 100ms);
        const QString firstLine = QString::fromStdString(log->firstLine);
        paints.expect([&] { return panel->isVisible() && shownText(memo).startsWith(firstLine); });
        restartPeakResident();
        probe.restart();
        const Clock::time_point opened = Clock::now();
        viewCommand->trigger();
        const bool shown = probe.runUntil([&] { return paints.seen().has_value(); }, 30s);
        const double openGap = probe.longestMs();
        if (!shown) {
            QObject::disconnect(barWatch);
            fail("the first lines were not shown within 30 s");
            break;
        }
        const double firstMs = milliseconds(*paints.seen() - opened);
        state.SetIterationTime(firstMs / 1e3);
        probe.restart();
        const bool whole = probe.runUntil([&] { return wholeAt.has_value(); }, 120s);
        const double indexGap = probe.longestMs();
        QObject::disconnect(barWatch);
        if (!whole) {
            fail("the index was not whole within 120 s");
            break;
        }
        probe.runUntil(Clock::now() + 200ms);
        const std::int64_t openKiB = residentKiB();
        const std::int64_t peakKiB = statusKiB("VmHWM");
        memo->setFocus();

        const auto lastLineShown = [&] { return shownText(memo).endsWith(u"written in 12 ms"); };
        paints.expect(lastLineShown);
        probe.restart();
        const Clock::time_point endPressed = Clock::now();
        QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        const bool atEnd = probe.runUntil([&] { return paints.seen().has_value(); }, 30s);
        const double endGap = probe.longestMs();
        if (!atEnd) {
            fail("Ctrl+End did not show the last line within 30 s");
            break;
        }
        const double endMs = milliseconds(*paints.seen() - endPressed);

        // The selection is still at the text's start: the find reads the whole log.
        QTest::keyClick(memo, Qt::Key_F, Qt::ControlModifier);
        if (!findBox->isVisible()) {
            fail("Ctrl+F did not open the find bar");
            break;
        }
        QTest::keyClicks(findBox, QStringLiteral("zebra"));
        paints.expect([&] { return selectedText(memo) == QLatin1String("zebra"); });
        probe.restart();
        const Clock::time_point findPressed = Clock::now();
        QTest::keyClick(findBox, Qt::Key_Return);
        const bool found = probe.runUntil([&] { return paints.seen().has_value(); }, 60s);
        const double findGap = probe.longestMs();
        if (!found) {
            fail("the find did not show the last line's word within 60 s");
            break;
        }
        const double findMs = milliseconds(*paints.seen() - findPressed);
        QTest::keyClick(findBox, Qt::Key_Escape);

        // PgDn from the start, as fast as a held key repeats, each screen awaited.
        QTest::keyClick(memo, Qt::Key_Home, Qt::ControlModifier);
        probe.runUntil([&] { return shownText(memo).startsWith(firstLine); }, 5s);
        double slowestPage = 0;
        int pagesNotShown = 0;
        probe.restart();
        for (int page = 0; page < PageDowns; ++page) {
            const QString before = shownText(memo);
            paints.expect([&] { return shownText(memo) != before; });
            const Clock::time_point pressed = Clock::now();
            const Clock::time_point next = pressed + 33ms;
            QTest::keyClick(memo, Qt::Key_PageDown);
            if (probe.runUntil([&] { return paints.seen().has_value(); }, 2s))
                slowestPage = std::max(slowestPage, milliseconds(*paints.seen() - pressed));
            else
                ++pagesNotShown;
            probe.runUntil(next);
        }
        const double pageGap = probe.longestMs();

        // Back to the end, which the view then keeps while the log grows.
        paints.expect(lastLineShown);
        QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        probe.runUntil([&] { return paints.seen().has_value(); }, 30s);
        const FollowFigures open = follow(probe, *refresh, path, appended, memo, &paints);
        if (!error.empty()) {
            fail("");
            break;
        }

        state.counters["rss_view_closed_MB"] = double(closedKiB) / 1024;
        state.counters["rss_view_open_MB"] = double(openKiB) / 1024;
        state.counters["rss_growth_MB"] = double(openKiB - closedKiB) / 1024;
        state.counters["rss_peak_open_MB"] = double(peakKiB) / 1024;
        state.counters["first_lines_ms"] = firstMs;
        state.counters["index_whole_s"] = milliseconds(*wholeAt - opened) / 1e3;
        state.counters["index_GBps"] =
            double(LogBytes) / 1e9 / (milliseconds(*wholeAt - opened) / 1e3);
        state.counters["ctrl_end_ms"] = endMs;
        state.counters["find_last_line_ms"] = findMs;
        state.counters["page_down_slowest_ms"] = slowestPage;
        state.counters["page_downs_not_shown"] = pagesNotShown;
        state.counters["block_idle_ms"] = idleGap;
        state.counters["block_open_ms"] = openGap;
        state.counters["block_index_ms"] = indexGap;
        state.counters["block_ctrl_end_ms"] = endGap;
        state.counters["block_find_ms"] = findGap;
        state.counters["block_page_down_ms"] = pageGap;
        state.counters["block_follow_ms"] = open.longestBlockMs;
        state.counters["block_checks_closed_ms"] = closed.longestBlockMs;
        state.counters["follow_shown_slowest_ms"] = open.slowestShownMs;
        state.counters["follow_checks_not_shown"] = open.checksNotShown;
        state.counters["cpu_ms_idle_per_s"] = idleCpu;
        state.counters["cpu_ms_per_check_closed"] = closed.processCpuMsPerCheck;
        state.counters["cpu_ms_per_check_following"] = open.processCpuMsPerCheck;
        state.counters["window_cpu_ms_per_check_closed"] = closed.windowCpuMsPerCheck;
        state.counters["window_cpu_ms_per_check_following"] = open.windowCpuMsPerCheck;
        state.counters["log_lines"] = double(totalLines);
    }
}
BENCHMARK(ContentViewOnLog)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace morvane::bench
