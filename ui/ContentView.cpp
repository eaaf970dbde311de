#include "ContentView.h"

#include <QPlainTextEdit>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include "RecordDrawing.h"

namespace morvane {

namespace {

// Laying a paragraph out at the view's width, Qt looks for each line's end from the word the
// line starts in, to that word's end. In a run with nowhere to break a line (a minified file,
// base64) that is a scan to the run's end for every line: a million characters take a minute.
// A run this long is shown with lines broken anywhere, which is how such a run wraps anyway.
constexpr qsizetype LongestRunWrappedAtWords = 10000;

// How the view breaks the lines of the text: at word boundaries where it can, unless the text
// holds a run longer than LongestRunWrappedAtWords with no place to break a line.
QTextOption::WrapMode wrapModeFor(const QString& text) {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype runStart = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        if (at - runStart > LongestRunWrappedAtWords) return QTextOption::WrapAnywhere;
        runStart = at;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

}  // namespace

ContentView::ContentView(QWidget* parent) : QFrame(parent), text_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("PanelView"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    text_->setObjectName(QStringLiteral("MemoList"));
    text_->setReadOnly(true);
    text_->setFrameShape(QFrame::NoFrame);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text_->setFont(recordListFont());
    layout->addWidget(text_);
    setColours(0, 0x00FF00);
}

void ContentView::setColours(std::int32_t back, std::int32_t text) {
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Base, colourFromBgr(back));
    palette.setColor(QPalette::Text, colourFromBgr(text));
    text_->setPalette(palette);
}

void ContentView::showText(const QString& text) {
    const QTextOption::WrapMode wrap = wrapModeFor(text);
    if (text_->wordWrapMode() != wrap) {
        // The text shown until now is not laid out again under the new mode.
        text_->clear();
        text_->setWordWrapMode(wrap);
    }
    text_->setPlainText(text);
    text_->moveCursor(QTextCursor::Start);
}

}  // namespace morvane
