#include <gtest/gtest.h>

#include <QFontMetrics>

#include "RecordDrawing.h"
#include "StatusPanel.h"

namespace morvane {
namespace {

// Whether the ink of the whole text fits between the panel's frame, after its indent.
bool showsWhole(const StatusPanel& panel) {
    const QFontMetrics metrics = panel.fontMetrics();
    const QString text = panel.text();
    const int ink = metrics.horizontalAdvance(text) - metrics.rightBearing(text.back());
    return ink <= panel.contentsRect().width() - panel.indent();
}

TEST(StatusPanel, KeepsItsDesignWidthAndGrowsOnlyWhereItsTextWouldBeCut) {
    StatusPanel panel(170, 19, true);
    panel.setFont(recordListFont());
    panel.showText(QStringLiteral("現在時刻： 2026/12/08 12:00"));
    EXPECT_EQ(panel.width(), 170);
    EXPECT_EQ(panel.height(), 19);
    EXPECT_TRUE(showsWhole(panel));

    // A style sheet's larger font, then a longer text in it.
    panel.setStyleSheet(QStringLiteral("font-size: 24px"));
    panel.ensurePolished();
    EXPECT_GT(panel.width(), 170);
    EXPECT_TRUE(showsWhole(panel));
    panel.showText(QStringLiteral("現在時刻： 2026/12/08 12:00 (longer)"));
    EXPECT_TRUE(showsWhole(panel));

    panel.setStyleSheet({});
    panel.ensurePolished();
    panel.showText(QStringLiteral("現在時刻： 2026/12/08 12:01"));
    EXPECT_EQ(panel.width(), 170) << "never narrower, nor wider than it must be";
}

}  // namespace
}  // namespace morvane
