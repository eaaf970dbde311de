#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <set>
#include <string>

#include "RealPlatform.h"
#include "RecordDrawing.h"
#include "ShiftJis.h"
#include "StatusRecord.h"

namespace morvane {
namespace {

constexpr QRgb Untouched = 0xFF123456;  // what the image holds where nothing was painted
constexpr QRgb ListBack = 0xFF202020;   // not black, so black text and the background differ
constexpr QRgb Cyan = 0xFF00FFFF;       // the colour of a normal row
constexpr QRgb Dark = 0xFF7F7F7F, Light = 0xFFBFBFBF, White = 0xFFFFFFFF, Clear = 0;
constexpr QRgb ButtonFace = 0xFFF0F0F0;
constexpr std::array<int, 5> Widths = {120, 80, 60, 112, 144};  // ends at x 516
constexpr int ImageWidth = 1000;

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

// Unantialiased text, so that every text pixel is exactly the text colour.
QFont crisp(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage paintRow(const std::string& record, bool selected = false,
                const std::array<int, 5>& widths = Widths, QRect rowRect = {0, 0, ImageWidth, 15},
                QSize imageSize = {ImageWidth, 15}) {
    StateColours colours;
    colours.listBack = 0x202020;
    QImage image(imageSize, QImage::Format_RGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    paintRecordRow(painter, rowRect, record, selected, widths, colours,
                   testing::realPlatform().codec(), crisp(recordListFont()));
    return image;
}

QImage paintHeader(SortState sort, const std::array<int, 5>& widths = Widths) {
    QImage image(ImageWidth, HeaderHeight, QImage::Format_RGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    int left = 0;
    for (int k = 0; k < 5; ++k) {
        paintHeaderSection(painter, QRect(left, 0, widths[k], HeaderHeight), k, sort,
                           crisp(headerFont()), Qt::black, QColor::fromRgb(ButtonFace));
        left += widths[k];
    }
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

// A cell of size in fill with text whose cell's top-left is at topLeft, as a reference.
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

TEST(ColourFromBgr, ReadsRedFromTheLowByteAndIgnoresTheTopByte) {
    EXPECT_EQ(colourFromBgr(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(colourFromBgr(std::int32_t(0xFF0000FF)), QColor(255, 0, 0));
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
        EXPECT_EQ(drawnSizeText(row.sizeText), row.expected) << "\"" << row.sizeText << "\"";
}

TEST(RowDrawing, EachStateDrawsInItsColourOrFillsASelectedRowEdgeToEdgeUnderBlackText) {
    const std::pair<char, QRgb> table[] = {
        {'0', Cyan},       {'1', 0xFFFF0000}, {'2', 0xFFFF00FF}, {'3', 0xFFFFFF00},
        {'9', 0xFF808080}, {'4', Cyan},       {' ', Cyan},       {'\0', Cyan},
    };
    for (const auto& [state, colour] : table) {
        Fields f;
        f.state = state;
        const QImage plain = paintRow(recordOf(f));
        EXPECT_EQ(coloursIn(plain, plain.rect()), (std::set<QRgb>{ListBack, colour})) << +state;
        const QImage selected = paintRow(recordOf(f), true);
        EXPECT_EQ(coloursIn(selected, selected.rect()), (std::set<QRgb>{colour, 0xFF000000}));
        EXPECT_EQ(coloursIn(selected, QRect(0, 0, ImageWidth, 2)), std::set<QRgb>{colour});
    }
}

TEST(RowDrawing, NotFoundRowShowsNothingInTheSizeAndTimeColumns) {
    Fields f;
    f.state = '9';  // with a size and a time left in the record, to show they are not drawn
    for (const bool selected : {false, true}) {
        const QImage image = paintRow(recordOf(f), selected);
        const QRgb fill = selected ? 0xFF808080 : ListBack;
        const QRect sizeAndTime = sectionArea(Widths, 2).united(sectionArea(Widths, 3));
        EXPECT_EQ(coloursIn(image, sizeAndTime), std::set<QRgb>{fill}) << selected;
        for (const int shown : {0, 1, 4})
            EXPECT_TRUE(hasInk(image, sectionArea(Widths, shown), fill)) << shown;
    }
}

// A cut size must not read as a smaller number: its cut is marked, its last digits kept.
TEST(RowDrawing, SizeWiderThanItsSectionIsMarkedAsCutAndKeepsItsLastDigits) {
    Fields f;
    f.file = "";
    f.size = "1073741824";
    const QImage image = paintRow(recordOf(f));  // in the size section's default width, 60
    EXPECT_EQ(coloursIn(image, sectionArea(Widths, 1)), std::set<QRgb>{ListBack});
    const QFont font = crisp(recordListFont());
    const QString whole = drawnSizeText(f.size);
    const QRect size = sectionArea(Widths, 2);
    QImage shown = textCell(size.size(), ListBack, Cyan, font,
                            {60 - QFontMetrics(font).horizontalAdvance(whole) - 4, 2}, whole);
    const int markEnd = 4 + QFontMetrics(font).horizontalAdvance(u'…');
    QPainter(&shown).drawImage(
        0, 0, textCell({markEnd, 15}, ListBack, Cyan, font, {4, 2}, QStringLiteral("…")));
    EXPECT_EQ(image.copy(size), shown);
}

TEST(RowDrawing, AZeroWidthSectionShowsNothingOfItsColumnAndTheDirectoryOnlyItsFirst40Bytes) {
    Fields f;
    f.name = "";  // so that nothing runs over from the name
    f.dir = "/aaaaaaaaa/bbbbbbbbb/ccccccccc/ddddddddd/eeeeeeeee/";
    const std::string shown = recordOf(f);
    const auto blank = [&](RecordField field) {
        std::string record = shown;
        return record.replace(FieldStart[field] - 1, FieldWidth[field], FieldWidth[field], ' ');
    };
    const struct {
        const char* what;
        std::array<int, 5> widths;
        std::string drawnAlike;
    } cases[] = {
        {"no file name column", {120, 0, 60, 112, 600}, blank(FileNameField)},
        {"no size column", {120, 80, 0, 112, 600}, blank(SizeText)},
        {"no time column", {120, 80, 60, 0, 600}, blank(StampText)},
        {"no directory column", {120, 80, 60, 112, 0}, shown.substr(0, FieldStart[DirPath] - 1)},
        {"a directory past 40 bytes",
         {120, 80, 60, 112, 600},
         shown.substr(0, FieldStart[DirPath] - 1 + 40)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(paintRow(shown, false, c.widths), paintRow(c.drawnAlike, false, c.widths))
            << c.what;
    EXPECT_EQ(paintRow(shown, false, {120, -30, 60, 112, 600}),
              paintRow(shown, false, {120, 0, 60, 112, 600}))
        << "a negative width counts as none";
}

TEST(RowDrawing, LongNameOfANotFoundRowShowsOverTheEmptySizeAndTimeColumnsOnly) {
    const std::array<int, 5> widths = {20, 20, 40, 60, 144};
    Fields f;
    f.name = std::string(20, 'W');
    f.size = std::string(10, ' ');
    f.stamp = std::string(19, ' ');
    f.dir = "";
    Fields noName = f;
    noName.name = "";

    f.state = noName.state = '9';
    const QImage notFound = paintRow(recordOf(f), false, widths);
    EXPECT_TRUE(hasInk(notFound, sectionArea(widths, 2), ListBack));
    EXPECT_TRUE(hasInk(notFound, sectionArea(widths, 3), ListBack));
    EXPECT_EQ(coloursIn(notFound, sectionArea(widths, 4)), std::set<QRgb>{ListBack});

    f.state = noName.state = '0';
    const QRect covered(widths[0], 0, ImageWidth - widths[0], 15);
    EXPECT_EQ(paintRow(recordOf(f), false, widths).copy(covered),
              paintRow(recordOf(noName), false, widths).copy(covered));
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

    const QFont font = crisp(recordListFont());
    const QRect file = sectionArea(Widths, 1).translated(row.topLeft());
    EXPECT_EQ(image.copy(file),
              textCell(file.size(), ListBack, Cyan, font, {4, 2}, QStringLiteral("|H名")));

    const QRect size = sectionArea(Widths, 2).translated(row.topLeft());
    const QString sizeText = drawnSizeText(f.size);
    const int sizeX = size.width() - QFontMetrics(font).horizontalAdvance(sizeText) - 4;
    EXPECT_EQ(image.copy(size), textCell(size.size(), ListBack, Cyan, font, {sizeX, 2}, sizeText));
}

TEST(SortGlyph, ZeroIsTheUpwardTriangleAndAnyOtherIndexTheDownwardOne) {
    const struct {
        int index, x, y;
        QRgb colour;
    } pixels[] = {
        {0, 7, 4, Dark},    {0, 8, 4, White},  {0, 7, 7, Light},  {0, 4, 10, White},
        {0, 11, 10, White}, {0, 3, 10, Clear}, {1, 4, 4, Dark},   {1, 11, 4, White},
        {1, 7, 7, Light},   {1, 7, 10, Dark},  {1, 8, 10, White}, {1, 7, 11, Clear},
        {5, 7, 10, Dark},   {5, 8, 10, White},
    };
    for (const auto& p : pixels) {
        const QImage glyph = sortGlyph(p.index).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(glyph.size(), QSize(16, 16));
        EXPECT_EQ(glyph.pixel(p.x, p.y), p.colour)
            << "image " << p.index << " x " << p.x << " y " << p.y;
    }
}

TEST(HeaderDrawing, ArrowShowsOnlyOnTheSortColumn) {
    for (int key = 0; key <= 5; ++key) {
        for (int type = 0; type <= 1; ++type) {
            const QImage image = paintHeader({sortKeyFromStored(key), sortOrderFromStored(type)});
            for (int k = 0; k < 5; ++k) {
                const bool hasArrow =
                    coloursIn(image, sectionArea(Widths, k, HeaderHeight)).count(Dark) > 0;
                EXPECT_EQ(hasArrow, key == k + 1) << "key " << key << " section " << k;
            }
        }
    }
}

TEST(HeaderDrawing, CaptionSitsFourPixelsInAndTwoDownAndItsArrowTenPixelsAfterAndOneDown) {
    const QFont font = crisp(headerFont());
    const int arrowX =
        Widths[0] + Widths[1] + QFontMetrics(font).horizontalAdvance(headerCaption(2)) + 10;
    for (const int type : {0, 1}) {
        const QImage image = paintHeader({SortKey::Size, sortOrderFromStored(type)});
        const QRect section = sectionArea(Widths, 1, HeaderHeight);
        EXPECT_EQ(image.copy(section),
                  textCell(section.size(), ButtonFace, 0xFF000000, font, {4, 2}, headerCaption(1)));
        QImage arrow(16, 16, QImage::Format_RGB32);
        arrow.fill(ButtonFace);
        QPainter(&arrow).drawPixmap(0, 0, sortGlyph(type));
        EXPECT_EQ(image.copy(arrowX, 1, 16, 16), arrow) << "type " << type;
    }
}

TEST(HeaderDrawing, CaptionAndArrowStayInsideANarrowSection) {
    const QImage image = paintHeader({SortKey::Name, SortOrder::Ascending}, {8, 8, 8, 8, 8});
    EXPECT_EQ(coloursIn(image, QRect(40, 0, ImageWidth - 40, HeaderHeight)),
              std::set<QRgb>{Untouched});
    EXPECT_EQ(coloursIn(image, QRect(0, 0, 8, HeaderHeight)).count(Dark), 0u);
}

TEST(Fonts, ListAndHeaderFontsAre12PixelsAndHaveJapaneseGlyphs) {
    for (const QFont& font : {recordListFont(), headerFont()}) {
        EXPECT_EQ(font.pixelSize(), 12);
        EXPECT_TRUE(QFontMetrics(font).inFont(QChar(u'名')))
            << QFontInfo(font).family().toStdString();
    }
}

}  // namespace
}  // namespace morvane
