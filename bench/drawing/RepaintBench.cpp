#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "RecordDrawing.h"
#include "SystemPlatform.h"

namespace morvane {
namespace {

constexpr std::array<int, 5> Widths = {120, 80, 60, 112, 144};
constexpr int Width = 560;

std::vector<std::string> fortyRecords() {
    std::vector<std::string> records;
    const char states[] = {'0', '1', '2', '3', '9'};
    for (int i = 0; i < 40; ++i) {
        const bool found = states[i % 5] != '9';
        std::string r(20, ' ');
        r += states[i % 5];
        r += char('0' + i / 10);
        r += char('0' + i % 10);
        r += "Watched file name   ";
        r += "notes-" + std::to_string(100 + i) + ".txt       ";
        r += found ? "0001234567" : std::string(10, ' ');
        r += found ? "2024/03/02 09:05:07" : std::string(19, ' ');
        r += "/home/user/documents/projects/morvane/";
        records.push_back(r);
    }
    return records;
}

// One repaint of a full list: 40 rows of 15 px, the fifth row selected.
void BM_RepaintFortyRows(benchmark::State& state) {
    SystemPlatform system;
    const std::vector<std::string> records = fortyRecords();
    const StateColours colours;
    const QFont font = recordListFont();
    QImage image(Width, 40 * RowHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        for (int i = 0; i < 40; ++i)
            paintRecordRow(painter, QRect(0, i * RowHeight, Width, RowHeight), records[i], i == 4,
                           Widths, colours, system.codec(), font);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RepaintFortyRows)->Unit(benchmark::kMicrosecond);

// One repaint of the header: five sections, the arrow on the size column.
void BM_RepaintHeader(benchmark::State& state) {
    const QFont font = headerFont();
    QImage image(Width, HeaderHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        int left = 0;
        for (int k = 0; k < 5; ++k) {
            paintHeaderSection(painter, QRect(left, 0, Widths[k], HeaderHeight), k,
                               {SortKey::Size, SortOrder::Ascending}, font, Qt::black,
                               QColor(0xF0, 0xF0, 0xF0));
            left += Widths[k];
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RepaintHeader)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
