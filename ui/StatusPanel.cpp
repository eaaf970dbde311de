#include "StatusPanel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QSizeGrip>
#include <algorithm>

#include "Messages.h"
#include "Watch.h"

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

namespace {
constexpr int StatusBarHeight = 19;
}

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent),
      panels_{new StatusPanel(120, StatusBarHeight, true, this),
              new StatusPanel(170, StatusBarHeight, true, this),
              new StatusPanel(0, StatusBarHeight, false, this)} {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(StatusBarHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i]->setObjectName(QStringLiteral("StatusBar1.Panel%1").arg(i));
        layout->addWidget(panels_[i], i == 2 ? 1 : 0);
    }
    layout->addWidget(new QSizeGrip(this), 0, Qt::AlignBottom | Qt::AlignRight);
}

void StatusBar::showCheck(const CheckOutcome& outcome) {
    panels_[0]->showText(lastCheckText(outcome.times.started));
    panels_[1]->showText(clockText(outcome.times.finished));
    panels_[2]->showText(unansweredText(outcome.unanswered));
}

}  // namespace morvane
