#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "RecordDrawing.h"
#include "StatusPanel.h"

namespace morvane {
namespace {

// A panel as the status bar sets it up.
template <class Label>
void setUp(Label& label, const QFont& font) {
    label.setFont(font);
    label.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label.setFixedSize(120, 19);
    label.setIndent(2);
    label.setTextFormat(Qt::PlainText);
}

QImage drawn(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(StatusPanel, DrawsEveryTextPixelForPixelAsALabelDoes) {
    // The texts the panels show, one that does not fit, and texts whose pieces come in
    // another order, so cached pieces are drawn again in new places.
    struct Case {
        QString text;
        bool fromPieces;
    };
    const Case cases[] = {
        {QStringLiteral("監視時刻： 09:05:07"), true},
        {QStringLiteral("監視時刻： 23:59:58"), true},
        {QStringLiteral("現在時刻： 2024/03/02 09:05"), true},
        {QStringLiteral("現在時刻： 2024/03/02 09:05 と、枠に収まらないほど長い文"), true},
        {QStringLiteral("12:34"), true},
        {QString(), true},                    // still from the pieces the texts above decided on
        {QStringLiteral("a&b 1\t2"), false},  // tab stops and lines: drawn as the label draws
        {QStringLiteral("二行\n目"), false},
    };
    const QFont fonts[] = {recordListFont(), QFont(QStringLiteral("IPAGothic"), 14)};
    // Shown, so that drawing it does not resize it and the pieces it keeps are drawn again.
    StatusPanel panel;
    QLabel label;
    panel.show();
    label.show();
    for (const QFont& font : fonts) {
        // The same panel throughout: a new font must not draw pieces kept for the old one.
        setUp(panel, font);
        setUp(label, font);
        for (const Case& c : cases) {
            panel.setText(c.text);
            label.setText(c.text);
            const std::string what = c.text.toStdString() + " in " + font.toString().toStdString();
            EXPECT_EQ(drawn(panel), drawn(label)) << what;
            EXPECT_EQ(panel.drewFromPieces(), c.fromPieces) << what;
        }
    }
}

}  // namespace
}  // namespace morvane
