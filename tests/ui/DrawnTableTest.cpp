// The layout of the window and the table as it is painted, read back from grabbed images.

#include <QAbstractScrollArea>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <cstdlib>

#include "PaintCounter.h"
#include "RecordList.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Cyan(0, 255, 255);     // Normal
const QColor Red(255, 0, 0);        // NewUp
const QColor Magenta(255, 0, 255);  // NewUp2
const QColor Yellow(255, 255, 0);   // TodayUp
const QColor Grey(128, 128, 128);   // NotFound

// Antialiased text blends its colour into the fill: counts the pixels that are at least half
// `colour` over `fill`.
int countText(const QImage& image, const QRect& area, const QColor& colour, const QColor& fill) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    const int c[3] = {colour.red(), colour.green(), colour.blue()};
    const int b[3] = {fill.red(), fill.green(), fill.blue()};
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            const int v[3] = {p.red(), p.green(), p.blue()};
            // The share of colour in the pixel, from the channel where the two differ most.
            int widest = 0;
            for (int i = 1; i < 3; ++i)
                if (std::abs(c[i] - b[i]) > std::abs(c[widest] - b[widest])) widest = i;
            if (c[widest] == b[widest]) continue;
            const double t = double(v[widest] - b[widest]) / double(c[widest] - b[widest]);
            if (t < 0.5 || t > 1.01) continue;
            bool blend = true;
            for (int i = 0; i < 3; ++i)
                blend = blend && std::abs(v[i] - (b[i] + t * (c[i] - b[i]))) <= 4;
            if (blend) ++n;
        }
    }
    return n;
}

int countColour(const QImage& image, const QRect& area, const QColor& colour) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

class DrawnTable : public WindowTest {
protected:
    // Rows in states "0", "1", "3" and "9", in that order.
    MainWindow& openFourStates() {
        files.put("/w/plain.txt", "p", {2024, 3, 1, 12, 0, 0});
        watchThreeFiles();
        files.put(ListPath, entry("plain", "/w/plain.txt") + entry("old", "/w/old.txt") +
                                entry("today", "/w/today.txt") + entry("gone", "/w/gone.txt"));
        MainWindow& f = open();
        files.files["/w/old.txt"].modified = {2024, 3, 2, 9, 6, 0};
        action("MenuRepaint")->trigger();
        EXPECT_EQ(states(), "0139");
        return f;
    }

    QImage listImage() { return list()->viewport()->grab().toImage(); }

    // Row r's band between the edges of sections first..last.
    QRect band(int row, int first, int last) const {
        const int left = header()->sectionPosition(first);
        const int right = header()->sectionPosition(last) + header()->sectionSize(last);
        return QRect(left, row * 15, right - left, 15);
    }
};

TEST_F(DrawnTable, TheControlsHaveTheirNamesAndSizes) {
    MainWindow& f = openFourStates();
    for (const char* name :
         {"Panel1", "HeaderLog", "ListLog", "PanelView", "MemoList", "StatusBar1", "Timer1",
          "MenuExit", "MenuFileView", "MenuTop", "MenuRepaint", "MenuSortName", "MenuSortDec",
          "Menu1s", "Menu60s", "MenuFileSet", "MenuVersion"})
        EXPECT_NE(f.findChild<QObject*>(QLatin1String(name)), nullptr) << name;

    EXPECT_EQ(header()->height(), 17);
    EXPECT_EQ(header()->count(), 5);
    EXPECT_EQ(header()->mapTo(&f, QPoint(0, 0)).x(), list()->mapTo(&f, QPoint(0, 0)).x())
        << "header and rows share their x coordinates";
    const QRect row1 = list()->visualRect(list()->model()->index(1, 0));
    EXPECT_EQ(row1.top(), 15);
    EXPECT_EQ(row1.height(), 15);

    auto* bar = f.findChild<QWidget*>(QStringLiteral("StatusBar1"));
    EXPECT_EQ(bar->height(), 19);
    EXPECT_EQ(statusPanel(0)->geometry(), QRect(0, 0, 120, 19));
    EXPECT_EQ(statusPanel(1)->geometry(), QRect(120, 0, 170, 19));
    EXPECT_EQ(statusPanel(2)->x(), 290);
    EXPECT_EQ(statusPanel(2)->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(bar->mapTo(&f, QPoint(0, 19)).y(), f.height()) << "along the bottom edge";

    // A vertical scroll bar, and none across: long lines wrap at the box's width.
    auto* memo = child<QAbstractScrollArea>("MemoList");
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(DrawnTable, UnselectedRowsDrawTheirTextInTheStateColourOnTheListBackground) {
    openFourStates();
    const QImage image = listImage();
    const QColor colours[] = {Cyan, Red, Yellow, Grey};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_GT(countText(image, band(row, 0, 0), colours[row], Black), 0);
        EXPECT_EQ(image.pixelColor(1, row * 15), Black);
        for (const QColor& other : colours) {
            if (other != colours[row]) {
                EXPECT_EQ(countText(image, band(row, 0, 4), other, Black), 0);
            }
        }
    }
    EXPECT_EQ(image.pixelColor(5, 4 * 15 + 3), Black) << "below the rows";
}

TEST_F(DrawnTable, ASelectedRowIsFilledEdgeToEdgeWithItsStateColourAndBlackText) {
    openFourStates();
    list()->setCurrentIndex(list()->model()->index(1, 0));
    const QImage image = listImage();
    const QRect row = QRect(0, 15, image.width(), 15);
    EXPECT_EQ(image.pixelColor(2, 17), Red);
    EXPECT_EQ(image.pixelColor(image.width() - 3, 27), Red) << "past the last section too";
    EXPECT_GT(countText(image, row, Black, Red), 0);
    EXPECT_GT(countColour(image, row, Red), row.width() * 15 / 2);
    EXPECT_EQ(countColour(image, band(0, 0, 4), Red), 0) << "the other rows keep their look";
}

TEST_F(DrawnTable, ANotFoundRowLeavesItsSizeAndTimeColumnsEmpty) {
    openFourStates();
    QImage image = listImage();
    EXPECT_GT(countText(image, band(3, 1, 1), Grey, Black), 0) << "the file name";
    EXPECT_GT(countText(image, band(3, 4, 4), Grey, Black), 0) << "the directory";
    const QRect sizeAndTime = band(3, 2, 3);
    EXPECT_EQ(countColour(image, sizeAndTime, Black), sizeAndTime.width() * 15);
    EXPECT_GT(countText(image, band(2, 2, 2), Yellow, Black), 0) << "a found file shows its size";
    EXPECT_GT(countText(image, band(2, 3, 3), Yellow, Black), 0) << "and its time";

    list()->setCurrentIndex(list()->model()->index(3, 0));
    image = listImage();
    EXPECT_EQ(countColour(image, sizeAndTime, Grey), sizeAndTime.width() * 15);
    EXPECT_GT(countText(image, band(3, 0, 0), Black, Grey), 0);
}

TEST_F(DrawnTable, ACheckRepaintsOnlyTheRowsWhoseRecordChanged) {
    openFourStates();
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "0239") << "a new file's state goes 1, then 2";
    action("MenuRepaint")->trigger();
    EXPECT_EQ(states(), "0339") << "then to today's";
    settle();
    const QImage before = listImage();

    PaintCounter counter(list()->viewport());
    action("MenuRepaint")->trigger();
    settle();
    EXPECT_EQ(counter.paints, 0) << "the same records in the same order draw nothing anew";
    EXPECT_EQ(listImage(), before);

    counter.painted = {};  // grabbing the image painted it
    files.files["/w/plain.txt"].modified = {2024, 3, 2, 10, 0, 0};
    action("MenuRepaint")->trigger();
    settle();
    ASSERT_EQ(states(), "1339");
    const int width = list()->viewport()->width();
    EXPECT_EQ(counter.painted, QRegion(0, 0, width, 15)) << "the changed row alone";
    const QImage after = listImage();
    EXPECT_GT(countText(after, band(0, 0, 0), Red, Black), 0);
    EXPECT_EQ(countText(after, band(0, 0, 4), Cyan, Black), 0);
    EXPECT_EQ(after.copy(0, 15, width, 45), before.copy(0, 15, width, 45));

    // The rows' order changes with a sort command: every row shows its new record.
    action("MenuSortDec")->trigger();
    EXPECT_EQ(states(), "9331");
    EXPECT_GT(countText(listImage(), band(3, 0, 0), Red, Black), 0);
    EXPECT_GT(countText(listImage(), band(0, 0, 0), Grey, Black), 0);
}

TEST_F(DrawnTable, TheListBackgroundComesFromTheSettings) {
    files.put(IniPath, "[Color]\r\nListBack=16777215\r\nTodayUp=255\r\n");
    watchThreeFiles();
    open();
    const QImage image = listImage();
    EXPECT_EQ(image.pixelColor(1, 1), White);
    EXPECT_EQ(image.pixelColor(1, 3 * 15 + 5), White) << "below the rows";
    EXPECT_GT(countText(image, band(1, 0, 0), Red, White), 0) << "TodayUp set to red";
}

TEST_F(DrawnTable, ResizingASectionRepaintsTheRowsAtOnceAlongTheNewEdges) {
    openFourStates();
    PaintCounter counter(list()->viewport());
    header()->resizeSection(1, 0);
    EXPECT_GT(counter.paints, 0);
    const QImage image = listImage();
    // Section 2 now starts where section 1 did; the size of row 2 ends 4 px short of its edge.
    const int sizeRight = header()->sectionPosition(2) + header()->sectionSize(2);
    EXPECT_EQ(countText(image, QRect(sizeRight - 4, 30, 4, 15), Yellow, Black), 0);
    EXPECT_GT(countText(image, QRect(sizeRight - 12, 30, 8, 15), Yellow, Black), 0);
}

TEST_F(DrawnTable, OnlyTheSortColumnShowsAnArrow) {
    openFourStates();
    auto arrows = [&](int section) {
        const QImage image = header()->viewport()->grab().toImage();
        const QRect s(header()->sectionPosition(section), 0, header()->sectionSize(section), 17);
        return countColour(image, s, White);  // the glyph's highlight; nothing else is white
    };
    for (int s = 0; s < 5; ++s) EXPECT_EQ(arrows(s), 0) << "watch-list order has no arrow";
    action("MenuSortUpdate")->trigger();
    EXPECT_EQ(arrows(3), 14) << "the upward glyph's white pixels";
    for (int s : {0, 1, 2, 4}) EXPECT_EQ(arrows(s), 0);
    action("MenuSortDec")->trigger();
    EXPECT_EQ(arrows(3), 7) << "the downward glyph's white pixels";
}

}  // namespace
}  // namespace morvane::testing
