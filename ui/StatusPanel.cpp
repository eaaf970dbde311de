#include "StatusPanel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QtMath>

#include <algorithm>

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

void StatusPanel::drawFromPieces(QPainter& painter, const QString& text, const QRect& within) {
    if (background_.isNull()) {
        background_ = imageOf(size(), devicePixelRatioF());
        background_.fill(palette().color(backgroundRole()));
        QPainter backgroundPainter(&background_);
        drawFrame(&backgroundPainter);
    }
    // What lies outside `within` is clipped away; pieces wholly outside it are not drawn.
    painter.drawPixmap(0, 0, background_);
    place(text);
    const QRect area = textRect();
    painter.save();
    painter.setClipRect(area & within);
    for (const Placed& placed : placed_) {
        const int pixel = qFloor(placed.x);
        if (pixel > within.right()) break;
        if (pixel + placed.piece.image.deviceIndependentSize().width() < within.left()) continue;
        painter.drawPixmap(pixel, area.top(), placed.piece.image);
    }
    painter.restore();
}

// Places the pieces of text where drawFromPieces draws them, each where the text laid out whole
// would start it, to a 64th of a pixel. The pieces of the last text placed that the new one
// shares, with the same characters up to where they end, stay where they are. Returns the pixel
// from which the two texts may draw differently.
int StatusPanel::place(const QString& text) {
    const QRect area = textRect();
    if (text == placedText_) return area.right() + 1;
    qsizetype same = 0;
    const qsizetype shorter = std::min(text.size(), placedText_.size());
    while (same < shorter && text[same] == placedText_[same]) ++same;
    // A digit is a piece of its own; a run of other characters is the same piece only where
    // the new text ends it at the same place: at a digit or at its end.
    const auto stillPlaced = [&](const Placed& p) {
        if (p.end != same) return p.end < same;
        return isDigit(text[p.end - 1]) || p.end == text.size() || isDigit(text[p.end]);
    };
    std::size_t kept = 0;
    while (kept < placed_.size() && stillPlaced(placed_[kept])) ++kept;
    placed_.resize(kept);
    placedText_ = text;
    qreal x = kept ? placed_.back().x + placed_.back().piece.advance : area.left();
    const int changedFrom = qFloor(x);
    for (qsizetype from = kept ? placed_.back().end : 0; from < text.size() && x <= area.right();) {
        const qsizetype length = pieceLength(text, from);
        const int pixel = qFloor(x);
        placed_.push_back({x, from + length, piece(text.mid(from, length), x - pixel, area)});
        x += placed_.back().piece.advance;
        from += length;
    }
    return changedFrom;
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
    drawFromPieces(piecesPainter, text, rect());
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
        drawFromPieces(painter, shown, event->rect());
    else
        drawAsLabel(painter, shown);
}

void StatusPanel::showText(const QString& text) {
    if (text == QLabel::text()) return;
    // Pieces drew the last text (only they place text), will draw this one, and at the same
    // pixel ratio; nobody has turned the panel's updates off.
    if (!isVisible() || !updatesEnabled() || pieceUse_ != PieceUse::Used || !isSimpleText(text) ||
        placedText_ != QLabel::text() || background_.isNull() ||
        background_.devicePixelRatio() != devicePixelRatioF()) {
        setText(text);
        return;
    }
    QRect changed = textRect();
    changed.setLeft(place(text));
    // The label's own update would repaint all of it when the event loop next runs; updates
    // are off while it takes the text, and the changed part is painted now instead.
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    if (!changed.isEmpty()) repaint(changed);
}

void StatusPanel::forgetImages() {
    background_ = QPixmap();
    pieces_.clear();
    placed_.clear();
    placedText_.clear();
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
