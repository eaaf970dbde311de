#include "StatusPanel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QtMath>

namespace morvane {

namespace {

// Pieces kept at most: digits at a few offsets each, and the few runs between them.
constexpr int MaxPieces = 256;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The length of the piece that starts at `from`: one digit, or the run up to the next digit.
qsizetype pieceLength(const QString& text, qsizetype from) {
    if (isDigit(text[from])) return 1;
    qsizetype end = from + 1;
    while (end < text.size() && !isDigit(text[end])) ++end;
    return end - from;
}

QPixmap imageOf(QSize size, qreal ratio) {
    QPixmap image(size * ratio);
    image.setDevicePixelRatio(ratio);
    return image;
}

}  // namespace

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent) {
    // Every paint covers the whole panel: nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// One line of plain text, left to right and aligned left: the texts pieces can draw.
bool StatusPanel::isSimpleText(const QString& text) const {
    return layoutDirection() == Qt::LeftToRight && textFormat() == Qt::PlainText && !wordWrap() &&
           (QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignLeft) &&
           !text.contains(u'\n') && !text.contains(u'\t');
}

// Where QLabel lays out plain text: the contents, less the margin, less the indent on the side
// the text is aligned to.
QRect StatusPanel::textRect() const {
    QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    int indentBy = indent();
    if (indentBy < 0 && frameWidth() > 0)
        indentBy = fontMetrics().horizontalAdvance(u'x') / 2 - margin();
    if (indentBy > 0) {
        const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
        if (align & Qt::AlignLeft) r.setLeft(r.left() + indentBy);
        if (align & Qt::AlignRight) r.setRight(r.right() - indentBy);
        if (align & Qt::AlignTop) r.setTop(r.top() + indentBy);
        if (align & Qt::AlignBottom) r.setBottom(r.bottom() - indentBy);
    }
    return r;
}

int StatusPanel::drawFlags() const {
    return int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextExpandTabs |
           (layoutDirection() == Qt::LeftToRight ? Qt::TextForceLeftToRight
                                                 : Qt::TextForceRightToLeft);
}

void StatusPanel::drawAsLabel(QPainter& painter, const QString& text) {
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(), drawFlags(), palette(), isEnabled(), text,
                          foregroundRole());
}

void StatusPanel::drawFromPieces(QPainter& painter, const QString& text) {
    if (background_.isNull()) {
        background_ = imageOf(size(), devicePixelRatioF());
        background_.fill(palette().color(backgroundRole()));
        QPainter backgroundPainter(&background_);
        drawFrame(&backgroundPainter);
    }
    painter.drawPixmap(0, 0, background_);
    const QRect area = textRect();
    painter.save();
    painter.setClipRect(area);
    // Each piece starts where the text laid out whole would put it, to a 64th of a pixel.
    qreal x = area.left();
    for (qsizetype from = 0; from < text.size() && x <= area.right();) {
        const qsizetype length = pieceLength(text, from);
        const int pixel = qFloor(x);
        const Piece& drawn = piece(text.mid(from, length), x - pixel, area);
        painter.drawPixmap(pixel, area.top(), drawn.image);
        x += drawn.advance;
        from += length;
    }
    painter.restore();
}

const StatusPanel::Piece& StatusPanel::piece(const QString& text, qreal offset,
                                             const QRect& textRect) {
    const std::pair<int, QString> key(qRound(offset * 64), text);
    const auto found = pieces_.constFind(key);
    if (found != pieces_.constEnd()) return *found;
    if (pieces_.size() >= MaxPieces) pieces_.clear();
    Piece made;
    made.advance = QFontMetricsF(font()).horizontalAdvance(text);
    // A transparent ground keeps what a glyph draws past its advance, under the next piece.
    const int width = qCeil(offset + made.advance) + 1;
    made.image = imageOf(QSize(width, textRect.height()), devicePixelRatioF());
    made.image.fill(Qt::transparent);
    QPainter painter(&made.image);
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(QRectF(offset, 0, width - offset, textRect.height()), drawFlags(), text);
    return *pieces_.insert(key, made);
}

bool StatusPanel::piecesDrawAsLabel(const QString& text) {
    const qreal ratio = devicePixelRatioF();
    QImage asLabel(size() * ratio, QImage::Format_RGB32), fromPieces = asLabel;
    asLabel.setDevicePixelRatio(ratio);
    fromPieces.setDevicePixelRatio(ratio);
    // A painter on an image starts with the application's font, not the panel's.
    QPainter labelPainter(&asLabel);
    labelPainter.setFont(font());
    drawAsLabel(labelPainter, text);
    labelPainter.end();
    QPainter piecesPainter(&fromPieces);
    drawFromPieces(piecesPainter, text);
    piecesPainter.end();
    return asLabel == fromPieces;
}

void StatusPanel::paintEvent(QPaintEvent* event) {
    const QString shown = text();
    drewFromPieces_ = false;
    if (!isSimpleText(shown)) {
        QPainter(this).fillRect(rect(), palette().brush(backgroundRole()));
        QLabel::paintEvent(event);
        return;
    }
    // On a screen of another pixel ratio, the images are made again.
    if (!background_.isNull() && background_.devicePixelRatio() != devicePixelRatioF())
        forgetImages();
    // The first text with something to see decides whether pieces draw alike.
    if (pieceUse_ == PieceUse::Unknown && !shown.trimmed().isEmpty())
        pieceUse_ = piecesDrawAsLabel(shown) ? PieceUse::Used : PieceUse::NotUsed;
    QPainter painter(this);
    drewFromPieces_ = pieceUse_ == PieceUse::Used;
    if (drewFromPieces_)
        drawFromPieces(painter, shown);
    else
        drawAsLabel(painter, shown);
}

void StatusPanel::forgetImages() {
    background_ = QPixmap();
    pieces_.clear();
    pieceUse_ = PieceUse::Unknown;
}

void StatusPanel::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
        case QEvent::EnabledChange:
        case QEvent::LayoutDirectionChange:
            forgetImages();
            break;
        default:
            break;
    }
    QLabel::changeEvent(event);
}

void StatusPanel::resizeEvent(QResizeEvent* event) {
    // The background is as large as the panel, and each piece as high as its text.
    forgetImages();
    QLabel::resizeEvent(event);
}

}  // namespace morvane
