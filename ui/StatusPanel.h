#pragma once

// One panel of the status bar: a label whose text changes at every check.

#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <utility>
#include <vector>

namespace morvane {

// A plain-text label that draws what a QLabel with the same frame, indent and alignment draws,
// but from images it keeps: the panel without its text, and each piece of text it has drawn
// once. A piece is a single digit or a run of anything else, so a time that changes every
// second is drawn from a dozen small images instead of being laid out and rasterised again.
//
// Pieces are used only once they have drawn a text exactly as the label would. Where the
// platform draws text otherwise (subpixel antialiasing, say, which needs an opaque surface),
// the panel draws as the label does.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    // Sets the text and repaints, before it returns, just the part of the panel whose pixels
    // change: for a clock, the last digit or two. Where the panel does not draw from pieces,
    // the same as setText(), whose repaint waits for the event loop.
    void showText(const QString& text);

    // Whether the last paint drew from the kept images rather than as the label does.
    bool drewFromPieces() const { return drewFromPieces_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Piece {
        QPixmap image;  // the piece on a transparent ground, from an offset in its first pixel
        qreal advance = 0;
    };
    // A piece where drawFromPieces draws it.
    struct Placed {
        qreal x = 0;        // where the text laid out whole puts the piece
        qsizetype end = 0;  // where the piece ends in the text
        Piece piece;
    };
    enum class PieceUse { Unknown, Used, NotUsed };

    bool isSimpleText(const QString& text) const;
    QRect textRect() const;
    int drawFlags() const;
    void drawAsLabel(QPainter& painter, const QString& text);
    void drawFromPieces(QPainter& painter, const QString& text, const QRect& within);
    int place(const QString& text);
    const Piece& piece(const QString& text, qreal offset, const QRect& textRect);
    bool piecesDrawAsLabel(const QString& text);
    void forgetImages();

    QPixmap background_;                            // the panel with its frame and no text
    QHash<std::pair<int, QString>, Piece> pieces_;  // by the offset in 64ths of a pixel and text
    QString placedText_;                            // the text placed_ holds the pieces of
    std::vector<Placed> placed_;
    PieceUse pieceUse_ = PieceUse::Unknown;
    bool drewFromPieces_ = false;
};

}  // namespace morvane
