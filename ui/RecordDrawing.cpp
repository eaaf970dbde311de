#include "RecordDrawing.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cstdint>

#include "Messages.h"
#include "QtText.h"
#include "StatusRecord.h"

namespace morvane {

namespace {

// Where the text of every cell starts: 4 px in from the section's left edge (or, for the size,
// 4 px short of its right edge) and 2 px below the top of the row or section.
constexpr int TextInset = 4;
constexpr int TextDrop = 2;
constexpr int GlyphGap = 10;  // between a caption and its sort arrow
constexpr int GlyphDrop = 1;
constexpr int GlyphSize = 16;

// The fill-and-draw primitive: fill rect, then draw one line of text in the pen's colour with
// the top-left of its cell at topLeft, cut at rect's edges. A rectangle without area paints
// nothing at all.
void fillAndDraw(QPainter& painter, const QRect& rect, const QColor& fill, QPoint topLeft,
                 const QString& text, int ascent) {
    if (rect.isEmpty()) return;
    painter.fillRect(rect, fill);
    if (text.isEmpty()) return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + ascent), text);
    painter.restore();
}

// '.' leaves the pixel out; 'D' dark grey, 'L' light grey, 'W' white.
constexpr const char* GlyphArt[2][GlyphSize] = {
    {
        "................",
        "................",
        "................",
        "................",
        ".......DW.......",
        "......DLLW......",
        "......DLLW......",
        ".....DLLLLW.....",
        ".....DLLLLW.....",
        "....DLLLLLLW....",
        "....WWWWWWWW....",
        "................",
        "................",
        "................",
        "................",
        "................",
    },
    {
        "................",
        "................",
        "................",
        "................",
        "....DDDDDDDW....",
        "....DLLLLLLW....",
        ".....DLLLLW.....",
        ".....DLLLLW.....",
        "......DLLW......",
        "......DLLW......",
        ".......DW.......",
        "................",
        "................",
        "................",
        "................",
        "................",
    },
};

QPixmap buildGlyph(const char* const (&art)[GlyphSize]) {
    QImage image(GlyphSize, GlyphSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < GlyphSize; ++y) {
        for (int x = 0; x < GlyphSize; ++x) {
            switch (art[y][x]) {
                case 'D':
                    image.setPixel(x, y, 0xFF7F7F7F);
                    break;
                case 'L':
                    image.setPixel(x, y, 0xFFBFBFBF);
                    break;
                case 'W':
                    image.setPixel(x, y, 0xFFFFFFFF);
                    break;
                default:
                    break;
            }
        }
    }
    return QPixmap::fromImage(image);
}

// The first installed family of `wanted`, else the first of the stand-ins that is installed.
QFont fontOf(const QStringList& wanted) {
    static const QStringList standIns = {
        QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
        QStringLiteral("IPAGothic"),  QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"),
    };
    QFont font;
    font.setPixelSize(12);
    for (const QStringList* list : {&wanted, &standIns}) {
        for (const QString& family : *list) {
            if (QFontDatabase::hasFamily(family)) {
                font.setFamily(family);
                return font;
            }
        }
    }
    // None installed: let Qt's own matching pick a face that has the glyphs.
    font.setFamilies(wanted + standIns);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

QString headerCaption(int section) {
    switch (section) {
        case 0:
            return QStringLiteral("名前");
        case 1:
            return QStringLiteral("ファイル名");
        case 2:
            return QStringLiteral("サイズ");
        case 3:
            return QStringLiteral("更新日時");
        case 4:
            return QStringLiteral("パス");
        default:
            return {};
    }
}

QColor colourFromBgr(std::int32_t bgr) {
    const auto v = std::uint32_t(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QColor stateColour(const StateColours& colours, RecordState state) {
    switch (state) {
        case RecordState::NewUp:
            return colourFromBgr(colours.newUp);
        case RecordState::NewUp2:
            return colourFromBgr(colours.newUp2);
        case RecordState::TodayUp:
            return colourFromBgr(colours.todayUp);
        case RecordState::NotFound:
            return colourFromBgr(colours.notFound);
        default:
            return colourFromBgr(colours.normal);
    }
}

QString drawnSizeText(std::string_view sizeText) {
    const auto first = sizeText.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = sizeText.find_last_not_of(' ');
    const std::string_view number = sizeText.substr(first, last - first + 1);

    std::int64_t n = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
    if (error != std::errc() || end != number.data() + number.size()) return {};

    std::uint64_t magnitude = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
    const QString separator = QLocale::system().groupSeparator();
    QString text;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0) text.prepend(separator);
        text.prepend(QChar(u'0' + char16_t(magnitude % 10)));
        magnitude /= 10;
        ++digits;
    } while (magnitude != 0);
    if (n < 0) text.prepend(u'-');
    return text;
}

const QPixmap& sortGlyph(int index) {
    // Built on first use and kept for the life of the process, never destroyed: a pixmap must
    // not outlive the QGuiApplication in a static destructor.
    static const QPixmap* const glyphs =
        new QPixmap[2]{buildGlyph(GlyphArt[0]), buildGlyph(GlyphArt[1])};
    return glyphs[index == 0 ? 0 : 1];
}

QFont recordListFont() {
    return fontOf({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")});
}

QFont headerFont() {
    return fontOf({QStringLiteral("MS UI Gothic")});
}

QString cellText(std::string_view record, int column, const TextCodec& codec) {
    const bool found = stateOf(record) != RecordState::NotFound;
    QString text;
    switch (column) {
        case 0:
            text = fromSjis(codec, cutField(record, DisplayName));
            break;
        case 1:
            text = fromSjis(codec, cutField(record, FileNameField));
            break;
        case 2:
            if (found) text = drawnSizeText(cutField(record, SizeText));
            break;
        case 3:
            if (found) text = fromSjis(codec, cutField(record, StampText));
            break;
        case 4:
            text = fromSjis(codec, cutField(record, DirPath));
            break;
        default:
            break;
    }
    // The filling spaces draw nothing and are not read out.
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ') --end;
    text.truncate(end);
    return text;
}

void paintRecordRow(QPainter& painter, const QRect& rowRect, std::string_view record, bool selected,
                    const std::array<int, ColumnCount>& sectionWidths, const StateColours& colours,
                    const TextCodec& codec, const QFont& font) {
    const RecordState state = stateOf(record);
    const QColor stateColourOfRow = stateColour(colours, state);
    const QColor fill = selected ? stateColourOfRow : colourFromBgr(colours.listBack);
    const QColor text = selected ? QColor(Qt::black) : stateColourOfRow;

    std::array<QRect, ColumnCount> sections;
    int left = rowRect.left();
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const int width = std::max(0, sectionWidths[i]);
        sections[i] = QRect(left, rowRect.top(), width, rowRect.height());
        left += width;
    }

    painter.save();
    painter.setFont(font);
    painter.setPen(text);
    const QFontMetrics metrics = painter.fontMetrics();
    const int ascent = metrics.ascent();
    const int top = rowRect.top() + TextDrop;
    const auto cell = [&](int column) { return cellText(record, column, codec); };

    // The name is cut only at the row's edges; the columns after it cover what runs over.
    fillAndDraw(painter, rowRect, fill, QPoint(sections[0].left() + TextInset, top), cell(0),
                ascent);
    fillAndDraw(painter, sections[1], fill, QPoint(sections[1].left() + TextInset, top), cell(1),
                ascent);
    if (state != RecordState::NotFound) {
        const QString size = cell(2);
        const QRect& sizeSection = sections[2];
        const int sizeX =
            sizeSection.left() + sizeSection.width() - metrics.horizontalAdvance(size) - TextInset;
        fillAndDraw(painter, sizeSection, fill, QPoint(sizeX, top), size, ascent);
        // A size that loses its first digit would read as a smaller number: its cut is
        // marked, and what is left of it shows after the mark. A digit that loses no more
        // than the edge of its ink still reads as itself.
        if (!size.isEmpty() && !sizeSection.isEmpty() &&
            sizeX + metrics.horizontalAdvance(size.front()) / 2 < sizeSection.left()) {
            const QString mark = CutSizeMark;
            const QRect markRect(
                sizeSection.left(), sizeSection.top(),
                std::min(sizeSection.width(), TextInset + metrics.horizontalAdvance(mark)),
                sizeSection.height());
            fillAndDraw(painter, markRect, fill, QPoint(sizeSection.left() + TextInset, top), mark,
                        ascent);
        }
        fillAndDraw(painter, sections[3], fill, QPoint(sections[3].left() + TextInset, top),
                    cell(3), ascent);
    }
    fillAndDraw(painter, sections[4], fill, QPoint(sections[4].left() + TextInset, top), cell(4),
                ascent);
    painter.restore();
}

void paintHeaderSection(QPainter& painter, const QRect& sectionRect, int section, SortState sort,
                        const QFont& font, const QColor& textColour, const QColor& buttonFace) {
    painter.save();
    painter.setFont(font);
    painter.setPen(textColour);
    const QFontMetrics metrics = painter.fontMetrics();
    const QString caption = headerCaption(section);
    fillAndDraw(painter, sectionRect, buttonFace,
                QPoint(sectionRect.left() + TextInset, sectionRect.top() + TextDrop), caption,
                metrics.ascent());

    if (sort.key != SortKey::WatchOrder && sort.key == columnSortKey(section) &&
        !sectionRect.isEmpty()) {
        painter.setClipRect(sectionRect, Qt::IntersectClip);
        painter.drawPixmap(sectionRect.left() + metrics.horizontalAdvance(caption) + GlyphGap,
                           sectionRect.top() + GlyphDrop,
                           sortGlyph(sort.order == SortOrder::Ascending ? 0 : 1));
    }
    painter.restore();
}

}  // namespace morvane
