#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

#include "PaintCounter.h"
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

// What the window shows now, without painting it again.
QImage shown(QWidget& widget) {
    return widget.screen()
        ->grabWindow(widget.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
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

TEST(StatusPanel, ShowsANewTextAtOnceRepaintingWhereItDrawsDifferently) {
    StatusPanel panel;
    QLabel label;
    setUp(panel, recordListFont());
    setUp(label, recordListFont());
    panel.setText(QStringLiteral("監視時刻： 09:05:07"));
    panel.show();
    label.show();
    QCoreApplication::processEvents();  // shows the first text, and decides on the pieces
    // Texts that change in their last digit, further in, in length, and to nothing at all.
    const QString texts[] = {
        QStringLiteral("監視時刻： 09:05:08"), QStringLiteral("監視時刻： 09:06:00"),
        QStringLiteral("監視時刻： 10:00:00"), QStringLiteral("監視時刻： 9"),
        QStringLiteral("監視時刻： 10:00:00"), QString(),
        QStringLiteral("監視時刻： 23:59:59"),
    };
    for (const QString& text : texts) {
        testing::PaintCounter counter(&panel);
        panel.showText(text);
        label.setText(text);
        const std::string what = text.toStdString();
        EXPECT_TRUE(panel.drewFromPieces()) << what;
        EXPECT_EQ(shown(panel), drawn(label)) << what;
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.paints, 1) << what << ": no repaint of the whole panel waits";
        if (&text == &texts[0]) {
            EXPECT_LT(counter.painted.boundingRect().width(), 20) << "the last digit alone";
        }
    }
}

}  // namespace
}  // namespace morvane
