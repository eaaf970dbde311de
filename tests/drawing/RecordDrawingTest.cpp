#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <set>
#include <string>

#include "RecordDrawing.h"
#include "ShiftJis.h"
#include "SystemPlatform.h"

namespace morvane {
namespace {

constexpr QRgb Untouched = 0xFF123456;  // what the image holds where nothing was painted
constexpr std::array<int, 5> Widths = {120, 80, 60, 112, 144};  // ends at x 516
constexpr int ImageWidth = 560;

struct Fields {
    char state = '0';
    std::string name = "Report";
    std::string file = "report.txt";
    std::string size = "0000001234";
    std::string stamp = "2024/03/02 09:05:07";
    std::string dir = "/home/user/";
};

std::string recordOf(const Fields& f) {
    return std::string(20, ' ') + f.state + "00" + padOrCut(f.name, 20) + padOrCut(f.file, 20) +
           f.size + f.stamp + f.dir;
}

StateColours testColours() {
    StateColours c;
    c.listBack = 0x202020;  // not black, so black text and the background differ
    return c;
}

// Unantialiased text, so that every text pixel is exactly the text colour.
QFont crisp(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

const TextCodec& codec() {
    static const SystemPlatform system;
    return system.codec();
}

QImage paintRow(const std::string& record, bool selected = false,
                const std::array<int, 5>& widths = Widths, QRect rowRect = {0, 0, ImageWidth, 15},
                QSize imageSize = {ImageWidth, 15}) {
    QImage image(imageSize, QImage::Format_RGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    drawRecordRow(painter, rowRect, record, selected, widths, testColours(), codec(),
                  crisp(listFont()));
    return image;
}

std::set<QRgb> coloursIn(const QImage& image, const QRect& area) {
    std::set<QRgb> found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) found.insert(image.pixel(x, y));
    return found;
}

QRect sectionArea(const std::array<int, 5>& widths, int section, int height = 15) {
    int left = 0;
    for (int i = 0; i < section; ++i) left += widths[i];
    return QRect(left, 0, widths[section], height);
}

// Whether area holds anything but its background.
bool hasInk(const QImage& image, const QRect& area, QRgb background) {
    return coloursIn(image, area) != std::set<QRgb>{background};
}

QRgb rgb(std::int32_t bgr) {
    return colourFromBgr(bgr).rgb();
}

TEST(StateColour, EachCodeDrawsInTheColourOfItsStateAndUnknownCodesInNormal) {
    const StateColours c;
    const struct {
        char code;
        std::int32_t expected;
    } table[] = {
        {'0', c.normal},   {'1', c.newUp},  {'2', c.newUp2}, {'3', c.todayUp},
        {'9', c.notFound}, {'4', c.normal}, {' ', c.normal}, {'\0', c.normal},
    };
    for (const auto& row : table)
        EXPECT_EQ(stateColour(c, row.code), colourFromBgr(row.expected)) << "code " << row.code;
}

TEST(StateColour, BgrValuesReadRedFromTheLowByteAndIgnoreTheTopByte) {
    const struct {
        std::int32_t bgr;
        QColor expected;
    } table[] = {
        {0x0000FF, QColor(255, 0, 0)},        {0x00FFFF, QColor(255, 255, 0)},
        {0xFFFF00, QColor(0, 255, 255)},      {0x808080, QColor(128, 128, 128)},
        {0x123456, QColor(0x56, 0x34, 0x12)}, {std::int32_t(0xFF0000FF), QColor(255, 0, 0)},
    };
    for (const auto& row : table) EXPECT_EQ(colourFromBgr(row.bgr), row.expected) << row.bgr;
}

TEST(FormatSize, WritesDigitsInGroupsOfThreeAndNothingForWhatIsNoNumber) {
    const QString sep = QLocale::system().groupSeparator();
    const struct {
        const char* sizeText;
        QString expected;
    } table[] = {
        {"0000000000", "0"},
        {"0000000999", "999"},
        {"0000001000", "1" + sep + "000"},
        {"0001234567", "1" + sep + "234" + sep + "567"},
        {"2147483647", "2" + sep + "147" + sep + "483" + sep + "647"},
        {"9999999999", "9" + sep + "999" + sep + "999" + sep + "999"},
        {"  00000042", "42"},
        {"-000000012", "-12"},
        {"          ", ""},
        {"", ""},
        {"12a4567890", ""},
        {"0000 12345", ""},
        {"99999999999999999999", ""},
    };
    for (const auto& row : table)
        EXPECT_EQ(formatSize(row.sizeText), row.expected) << "\"" << row.sizeText << "\"";
}

TEST(RowDrawing, UnselectedRowDrawsInItsStateColourOnTheListBackground) {
    const StateColours c = testColours();
    for (const char state : {'0', '1', '2', '3', '9', 'x'}) {
        Fields f;
        f.state = state;
        const QImage image = paintRow(recordOf(f));
        const std::set<QRgb> expected = {rgb(c.listBack), stateColour(c, state).rgb()};
        EXPECT_EQ(coloursIn(image, image.rect()), expected) << "state " << state;
    }
}

TEST(RowDrawing, SelectedRowIsFilledEdgeToEdgeWithItsStateColourAndBlackText) {
    Fields f;
    f.state = '1';
    const QImage image = paintRow(recordOf(f), true);
    const QRgb newUp = rgb(testColours().newUp);
    EXPECT_EQ(coloursIn(image, image.rect()), (std::set<QRgb>{newUp, qRgb(0, 0, 0)}));
    // Above the text's top, the whole width is the fill.
    for (int x = 0; x < ImageWidth; ++x) {
        ASSERT_EQ(image.pixel(x, 0), newUp) << x;
        ASSERT_EQ(image.pixel(x, 1), newUp) << x;
    }
}

TEST(RowDrawing, NotFoundRowShowsNothingInTheSizeAndTimeColumns) {
    Fields f;
    f.state = '9';  // with a size and a time left in the record, to show they are not drawn
    for (const bool selected : {false, true}) {
        const QImage image = paintRow(recordOf(f), selected);
        const QRgb fill = selected ? rgb(testColours().notFound) : rgb(testColours().listBack);
        const QRect sizeAndTime = sectionArea(Widths, 2).united(sectionArea(Widths, 3));
        EXPECT_EQ(coloursIn(image, sizeAndTime), std::set<QRgb>{fill}) << selected;
        for (const int shown : {0, 1, 4})
            EXPECT_TRUE(hasInk(image, sectionArea(Widths, shown), fill)) << shown;
    }
}

TEST(RowDrawing, SizeWiderThanItsSectionLosesItsLeadingDigits) {
    const std::array<int, 5> widths = {120, 80, 20, 112, 144};
    Fields f;
    f.file = "";
    f.size = "9999999999";
    const QImage image = paintRow(recordOf(f), false, widths);
    const QRgb back = rgb(testColours().listBack);
    EXPECT_EQ(coloursIn(image, sectionArea(widths, 1)), std::set<QRgb>{back});
    EXPECT_TRUE(hasInk(image, sectionArea(widths, 2), back));
}

TEST(RowDrawing, ZeroWidthSectionShowsNothingOfItsColumn) {
    for (int column = 1; column <= 4; ++column) {
        std::array<int, 5> widths = Widths;
        widths[column] = 0;
        Fields shown;
        shown.name = "";
        Fields blank = shown;
        switch (column) {
            case 1:
                blank.file = "";
                break;
            case 2:
                blank.size = "          ";
                break;
            case 3:
                blank.stamp = std::string(19, ' ');
                break;
            default:
                blank.dir = "";
                break;
        }
        EXPECT_EQ(paintRow(recordOf(shown), false, widths),
                  paintRow(recordOf(blank), false, widths))
            << "column " << column;
    }
}

TEST(RowDrawing, LongNameOfANotFoundRowShowsOverTheEmptySizeAndTimeColumnsOnly) {
    const std::array<int, 5> widths = {20, 20, 40, 60, 144};
    const QRgb back = rgb(testColours().listBack);
    Fields f;
    f.name = std::string(20, 'W');
    f.size = std::string(10, ' ');
    f.stamp = std::string(19, ' ');
    f.dir = "";
    Fields noName = f;
    noName.name = "";

    f.state = noName.state = '9';
    const QImage notFound = paintRow(recordOf(f), false, widths);
    EXPECT_TRUE(hasInk(notFound, sectionArea(widths, 2), back));
    EXPECT_TRUE(hasInk(notFound, sectionArea(widths, 3), back));
    EXPECT_EQ(coloursIn(notFound, sectionArea(widths, 4)), std::set<QRgb>{back});

    f.state = noName.state = '0';
    const QRect covered(widths[0], 0, ImageWidth - widths[0], 15);
    EXPECT_EQ(paintRow(recordOf(f), false, widths).copy(covered),
              paintRow(recordOf(noName), false, widths).copy(covered));
}

TEST(RowDrawing, DirectoryShowsOnlyItsFirst40Bytes) {
    const std::array<int, 5> widths = {120, 80, 60, 112, 600};
    const std::string forty = "/aaaaaaaaa/bbbbbbbbb/ccccccccc/ddddddddd/";  // 41 bytes
    Fields longer;
    longer.dir = forty + "eeeeeeeee/";
    Fields cut;
    cut.dir = forty.substr(0, 40);
    const QSize size(1100, 15);
    const QRect row(0, 0, 1100, 15);
    EXPECT_EQ(paintRow(recordOf(longer), false, widths, row, size),
              paintRow(recordOf(cut), false, widths, row, size));
}

// A cell of `size` in `fill` with `text` whose cell's top-left is at topLeft, as a reference.
QImage textCell(QSize size, QRgb fill, QRgb pen, const QFont& font, QPoint topLeft,
                const QString& text) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(pen));
    painter.drawText(topLeft + QPoint(0, painter.fontMetrics().ascent()), text);
    return image;
}

TEST(RowDrawing, TextSitsFourPixelsInAndTwoBelowTheTopOfAnOffsetRow) {
    const QRect row(10, 15, ImageWidth - 10, 15);
    Fields f;
    f.file = "|H\x96\xBC";  // "|H名"
    f.size = "0001234567";
    const QImage image = paintRow(recordOf(f), false, Widths, row, {ImageWidth, 40});
    // Nothing outside the row is touched.
    EXPECT_EQ(coloursIn(image, QRect(0, 0, ImageWidth, 15)), std::set<QRgb>{Untouched});
    EXPECT_EQ(coloursIn(image, QRect(0, 30, ImageWidth, 10)), std::set<QRgb>{Untouched});
    EXPECT_EQ(coloursIn(image, QRect(0, 15, 10, 15)), std::set<QRgb>{Untouched});

    const QRgb back = rgb(testColours().listBack);
    const QRgb pen = rgb(testColours().normal);
    const QFont font = crisp(listFont());
    const QRect file = sectionArea(Widths, 1).translated(row.topLeft());
    EXPECT_EQ(image.copy(file),
              textCell(file.size(), back, pen, font, {4, 2}, QStringLiteral("|H名")));

    const QRect size = sectionArea(Widths, 2).translated(row.topLeft());
    const QString sizeText = formatSize(f.size);
    const int sizeX = size.width() - QFontMetrics(font).horizontalAdvance(sizeText) - 4;
    EXPECT_EQ(image.copy(size), textCell(size.size(), back, pen, font, {sizeX, 2}, sizeText));
}

TEST(SortGlyph, PixelsFollowTheGlyphTable) {
    constexpr QRgb D = 0xFF7F7F7F, L = 0xFFBFBFBF, W = 0xFFFFFFFF;
    struct Span {
        int y, from, to;
        QRgb colour;
    };
    // Row by row as the glyph table gives them.
    const std::vector<Span> up = {
        {4, 7, 7, D}, {4, 8, 8, W},   {5, 6, 6, D}, {5, 7, 8, L},  {5, 9, 9, W},   {6, 6, 6, D},
        {6, 7, 8, L}, {6, 9, 9, W},   {7, 5, 5, D}, {7, 6, 9, L},  {7, 10, 10, W}, {8, 5, 5, D},
        {8, 6, 9, L}, {8, 10, 10, W}, {9, 4, 4, D}, {9, 5, 10, L}, {9, 11, 11, W}, {10, 4, 11, W},
    };
    const std::vector<Span> down = {
        {4, 4, 10, D},  {4, 11, 11, W}, {5, 4, 4, D},   {5, 5, 10, L}, {5, 11, 11, W},
        {6, 5, 5, D},   {6, 6, 9, L},   {6, 10, 10, W}, {7, 5, 5, D},  {7, 6, 9, L},
        {7, 10, 10, W}, {8, 6, 6, D},   {8, 7, 8, L},   {8, 9, 9, W},  {9, 6, 6, D},
        {9, 7, 8, L},   {9, 9, 9, W},   {10, 7, 7, D},  {10, 8, 8, W},
    };
    for (const int index : {0, 1}) {
        QImage expected(16, 16, QImage::Format_ARGB32);
        expected.fill(Qt::transparent);
        for (const Span& s : index == 0 ? up : down)
            for (int x = s.from; x <= s.to; ++x) expected.setPixel(x, s.y, s.colour);
        const QImage glyph = sortGlyph(index).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(glyph.size(), QSize(16, 16));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(glyph.pixel(x, y), expected.pixel(x, y))
                    << "image " << index << " x " << x << " y " << y;
    }
}

constexpr QRgb ButtonFace = 0xFFF0F0F0;

QImage paintHeader(SortState sort, const std::array<int, 5>& widths = Widths) {
    QImage image(ImageWidth, HeaderHeight, QImage::Format_RGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    int left = 0;
    for (int k = 0; k < 5; ++k) {
        drawHeaderSection(painter, QRect(left, 0, widths[k], HeaderHeight), k, sort,
                          crisp(headerFont()), Qt::black, QColor::fromRgb(ButtonFace));
        left += widths[k];
    }
    return image;
}

TEST(HeaderDrawing, ArrowShowsOnlyOnTheSortColumn) {
    for (int key = 0; key <= 5; ++key) {
        for (int type = 0; type <= 1; ++type) {
            const QImage image = paintHeader({key, type});
            for (int k = 0; k < 5; ++k) {
                const bool hasArrow =
                    coloursIn(image, sectionArea(Widths, k, HeaderHeight)).count(0xFF7F7F7F) > 0;
                EXPECT_EQ(hasArrow, key == k + 1) << "key " << key << " section " << k;
            }
        }
    }
}

TEST(HeaderDrawing, ArrowCellSitsTenPixelsAfterTheCaptionAndOnePixelDown) {
    const int captionWidth = QFontMetrics(crisp(headerFont())).horizontalAdvance(headerCaption(2));
    const int cellX = Widths[0] + Widths[1] + captionWidth + 10;
    for (const int type : {0, 1}) {
        const QImage image = paintHeader({3, type});
        QImage expected(16, 16, QImage::Format_RGB32);
        expected.fill(ButtonFace);
        QPainter(&expected).drawPixmap(0, 0, sortGlyph(type));
        EXPECT_EQ(image.copy(cellX, 1, 16, 16), expected) << "type " << type;
    }
}

TEST(HeaderDrawing, CaptionSitsFourPixelsInAndTwoDownOverTheButtonFace) {
    const QImage image = paintHeader({0, 0});
    const QRect section = sectionArea(Widths, 1, HeaderHeight);
    EXPECT_EQ(image.copy(section), textCell(section.size(), ButtonFace, 0xFF000000,
                                            crisp(headerFont()), {4, 2}, headerCaption(1)));
}

TEST(HeaderDrawing, CaptionAndArrowStayInsideANarrowSection) {
    const std::array<int, 5> widths = {8, 8, 8, 8, 8};
    const QImage image = paintHeader({1, 0}, widths);
    EXPECT_EQ(coloursIn(image, QRect(40, 0, ImageWidth - 40, HeaderHeight)),
              std::set<QRgb>{Untouched});
    EXPECT_EQ(coloursIn(image, QRect(0, 0, 8, HeaderHeight)).count(0xFF7F7F7F), 0u);
}

TEST(Fonts, ListAndHeaderFontsAre12PixelsAndHaveJapaneseGlyphs) {
    for (const QFont& font : {listFont(), headerFont()}) {
        EXPECT_EQ(font.pixelSize(), 12);
        EXPECT_TRUE(QFontMetrics(font).inFont(QChar(u'名')))
            << QFontInfo(font).family().toStdString();
    }
}

}  // namespace
}  // namespace morvane
