#pragma once

// Painting of the record rows and the column header sections, apart from the widgets.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <array>
#include <string_view>

#include "Ordering.h"
#include "Platform.h"
#include "Settings.h"

class QPainter;

namespace morvane {

inline constexpr int RowHeight = 15;
inline constexpr int HeaderHeight = 17;

// Column captions, in Shift-JIS display order: "名前", "ファイル名", "サイズ", "更新日時", "パス".
QString headerCaption(int section);

// The colour a row's state draws in.
QColor stateColour(const StateColours& colours, char stateCode);

// A 0x00BBGGRR value as a QColor.
QColor colourFromBgr(std::int32_t bgr);

// SizeText read as a decimal integer and written with "#,##0" and the locale's thousands
// separator.
QString formatSize(std::string_view sizeText);

// ImageList1: 0 the upward (ascending) triangle, 1 the downward one; 16 by 16, transparent
// where the mask leaves the pixel out.
const QPixmap& sortGlyph(int index);

// ListLogDrawItem's painting of one record in rowRect. sectionWidths are the header's section
// widths; x positions start at rowRect's left.
void drawRecordRow(QPainter& painter, const QRect& rowRect, std::string_view record,
                   bool selected, const std::array<int, 5>& sectionWidths,
                   const StateColours& colours, const TextCodec& codec, const QFont& font);

// HeaderLogDrawSection's painting of section `section` in sectionRect, with the sort arrow
// where the sort key is this section's column.
void drawHeaderSection(QPainter& painter, const QRect& sectionRect, int section, SortState sort,
                       const QFont& font, const QColor& textColour, const QColor& buttonFace);

}  // namespace morvane
