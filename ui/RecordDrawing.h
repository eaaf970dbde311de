#pragma once

// Painting of the record rows and the column header sections, apart from the widgets.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

#include "Ordering.h"
#include "Platform.h"
#include "Settings.h"
#include "StatusRecord.h"

class QPainter;

namespace morvane {

inline constexpr int RowHeight = 15;
inline constexpr int HeaderHeight = 17;

// The caption of header section 0..4 as displayed text: "名前", "ファイル名", "サイズ",
// "更新日時", "パス". Empty for any other section.
QString headerCaption(int section);

// The colour a row's state draws in: NewUp, NewUp2, TodayUp and NotFound their own, any other
// state Normal.
QColor stateColour(const StateColours& colours, RecordState state);

// A 0x00BBGGRR value as a QColor; the top byte is ignored.
QColor colourFromBgr(std::int32_t bgr);

// SizeText read as a decimal integer and written with "#,##0" and the locale's thousands
// separator. Spaces around the number are allowed; blank or anything else that is not a number
// gives an empty text.
QString drawnSizeText(std::string_view sizeText);

// ImageList1: 0 the upward (ascending) triangle, any other index the downward one; 16 by 16,
// transparent where the mask leaves the pixel out. Needs a QGuiApplication.
const QPixmap& sortGlyph(int index);

// The list's font: "ＭＳ Ｐゴシック" 12 px where the face is installed, else a Japanese
// stand-in (IPA P Gothic) of 12 px.
QFont recordListFont();

// The header's font: "MS UI Gothic" 12 px where installed, else the same stand-in as
// recordListFont().
QFont headerFont();

// The text the cell of a record in column 0..4 shows (DisplayName, FileNameField, the size as
// drawnSizeText writes it, StampText, DirPath) without its filling spaces; a file not found
// shows no size and no time.
QString cellText(std::string_view record, int column, const TextCodec& codec);

// The painting of one record in rowRect. sectionWidths are the header's section
// widths (a negative width counts as 0); x positions start at rowRect's left. The painter's
// state is left as it was found.
void paintRecordRow(QPainter& painter, const QRect& rowRect, std::string_view record, bool selected,
                    const std::array<int, ColumnCount>& sectionWidths, const StateColours& colours,
                    const TextCodec& codec, const QFont& font);

// The painting of header section `section` in sectionRect, with the sort arrow
// where the sort key is this section's column. Caption and arrow are cut at the section's
// edges. The painter's state is left as it was found.
void paintHeaderSection(QPainter& painter, const QRect& sectionRect, int section, SortState sort,
                        const QFont& font, const QColor& textColour, const QColor& buttonFace);

}  // namespace morvane
