#include "StatusPanel.h"

#include <QEvent>
#include <QFontMetrics>
#include <algorithm>

namespace morvane {

StatusPanel::StatusPanel(int designWidth, int height, bool bevel, QWidget* parent)
    : QLabel(parent), designWidth_(designWidth) {
    if (bevel) setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setIndent(2);
    setTextFormat(Qt::PlainText);
    setFixedHeight(height);
    fitWidth();
}

void StatusPanel::showText(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    fitWidth();
}

void StatusPanel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fitWidth();
}

void StatusPanel::fitWidth() {
    if (designWidth_ <= 0) return;
    // The text's ink, after the frame and the indent on the left and before the frame on the
    // right: a last glyph may stop short of its advance, or reach past it.
    const QString shown = text();
    const QFontMetrics metrics = fontMetrics();
    int ink = metrics.horizontalAdvance(shown);
    if (!shown.isEmpty()) ink -= metrics.rightBearing(shown.back());
    const QMargins margins = contentsMargins();
    const int needed = margins.left() + indent() + ink + margins.right();
    const int width = std::max(designWidth_, needed);
    if (width != this->width() || minimumWidth() != width) setFixedWidth(width);
}

}  // namespace morvane
