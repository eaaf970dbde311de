#include "ContentView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
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
QTextOption::WrapMode wrapModeFor(QStringView text) {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype runStart = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        if (at - runStart > LongestRunWrappedAtWords) return QTextOption::WrapAnywhere;
        runStart = at;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

// The load makes every line end one "\n"; the document also ends a block at a paragraph
// separator.
bool endsLine(QChar c) {
    return c == u'\n' || c == QChar::ParagraphSeparator;
}

bool startsLine(QStringView text, qsizetype at) {
    return at == 0 || endsLine(text[at - 1]);
}

// How a text read again differs from the one before, by whole lines.
struct LineChange {
    int sharedLines = 0;        // the lines both texts start with
    qsizetype sharedStart = 0;  // their length in characters
    int firstNew = 0;           // the block numbers of the new text's lines after them and
    int lastNew = -1;           // before the lines both end with; none when lastNew < firstNew
    // The characters that differ, from editStart to oldEnd in the old text and to newEnd in
    // the new one.
    qsizetype editStart = 0;
    qsizetype oldEnd = 0;
    qsizetype newEnd = 0;
};

// One pass: forward over the start both texts share, back over the end they share, then over
// the new lines to count them. A line the old text ends without a line end is whole where the
// new text goes on with one.
LineChange changedLines(QStringView before, QStringView now) {
    LineChange change;
    const qsizetype shorter = std::min(before.size(), now.size());
    qsizetype at = 0;
    for (; at < shorter && before[at] == now[at]; ++at) {
        if (endsLine(now[at])) {
            ++change.sharedLines;
            change.sharedStart = at + 1;
        }
    }
    change.editStart = at;
    change.oldEnd = before.size();
    change.newEnd = now.size();
    // The new text is the old one, or the old one cut at a line end: it has nothing new.
    if (at == now.size() && (at == before.size() || endsLine(before[at]))) return change;
    if (at > 0 && at == before.size() && endsLine(now[at])) {
        ++change.sharedLines;
        change.sharedStart = at + 1;
    }
    change.firstNew = change.sharedLines;

    const qsizetype start = change.sharedStart;
    const qsizetype room = std::max<qsizetype>(0, shorter - start);
    qsizetype tail = 0;
    while (tail < room && before[before.size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
    const qsizetype editTail = std::min(tail, shorter - at);
    change.oldEnd = before.size() - editTail;
    change.newEnd = now.size() - editTail;
    // The shared end begins at the first line start in it that is a line start in both texts.
    qsizetype end = now.size() - tail;
    if (tail == 0 || !startsLine(now, end) || !startsLine(before, before.size() - tail)) {
        while (end < now.size() && !endsLine(now[end])) ++end;
        end = std::min(end + 1, now.size());
    }
    change.lastNew = change.firstNew - 1;
    if (end <= start) return change;
    change.lastNew = change.firstNew;
    for (qsizetype i = start; i < end - 1; ++i)
        if (endsLine(now[i])) ++change.lastNew;
    return change;
}

// The ground of a marked line: the view's ground a quarter of the way to its text colour,
// so that text which reads on the ground reads on the mark too.
QColor markColour(const QPalette& palette) {
    const QColor ground = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const auto quarterWay = [](int from, int to) { return from + (to - from) / 4; };
    return QColor(quarterWay(ground.red(), text.red()), quarterWay(ground.green(), text.green()),
                  quarterWay(ground.blue(), text.blue()));
}

}  // namespace

ContentView::ContentView(QWidget* parent)
    : QFrame(parent),
      text_(new QPlainTextEdit(this)),
      findBar_(new QWidget(this)),
      findBox_(new QLineEdit(findBar_)) {
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
    text_->setUndoRedoEnabled(false);  // a reload edits the document
    text_->setFont(recordListFont());
    text_->setAccessibleName(QStringLiteral("内容"));
    layout->addWidget(text_, 1);

    findBar_->setObjectName(QStringLiteral("PanelFind"));
    auto* barLayout = new QHBoxLayout(findBar_);
    barLayout->setContentsMargins(2, 2, 2, 2);
    auto* label = new QLabel(QStringLiteral("検索："), findBar_);
    findBox_->setObjectName(QStringLiteral("EditFind"));
    findBox_->setAccessibleName(QStringLiteral("検索"));
    label->setBuddy(findBox_);
    auto* next = new QPushButton(QStringLiteral("次へ"), findBar_);
    next->setObjectName(QStringLiteral("BtnFindNext"));
    auto* previous = new QPushButton(QStringLiteral("前へ"), findBar_);
    previous->setObjectName(QStringLiteral("BtnFindPrev"));
    barLayout->addWidget(label);
    barLayout->addWidget(findBox_, 1);
    barLayout->addWidget(next);
    barLayout->addWidget(previous);
    layout->addWidget(findBar_);
    findBar_->hide();

    const auto findNext = [this] { find({}); };
    const auto findPrevious = [this] { find(QTextDocument::FindBackward); };
    connect(findBox_, &QLineEdit::returnPressed, this, findNext);
    connect(next, &QPushButton::clicked, this, findNext);
    connect(previous, &QPushButton::clicked, this, findPrevious);
    // Keys that work wherever the focus is in the view; Esc in the find bar alone.
    const auto shortcut = [this](QKeyCombination keys, QWidget* scope, auto command) {
        auto* s = new QShortcut(QKeySequence(keys), scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, command);
    };
    shortcut(Qt::CTRL | Qt::Key_F, this, [this] { openFindBar(); });
    shortcut(QKeyCombination(Qt::Key_F3), this, findNext);
    shortcut(Qt::SHIFT | Qt::Key_F3, this, findPrevious);
    shortcut(QKeyCombination(Qt::Key_Escape), findBar_, [this] { closeFindBar(); });

    setColours(0, 0x00FF00);
}

void ContentView::setColours(std::int32_t back, std::int32_t text) {
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Base, colourFromBgr(back));
    palette.setColor(QPalette::Text, colourFromBgr(text));
    text_->setPalette(palette);
}

void ContentView::setText(const QString& text, QTextOption::WrapMode wrap) {
    if (text_->wordWrapMode() != wrap) {
        // The text shown until now is not laid out again under the new mode.
        text_->clear();
        text_->setWordWrapMode(wrap);
    }
    text_->setPlainText(text);
    shown_ = text;
}

void ContentView::showText(const QString& text) {
    markLines(0, -1);
    setText(text, wrapModeFor(text));
    text_->moveCursor(QTextCursor::Start);
}

void ContentView::reloadText(const QString& text) {
    const LineChange change = changedLines(shown_, text);
    if (text.size() < shown_.size() || change.sharedLines == 0) {
        showText(text);
        markLines(change.firstNew, change.lastNew);
        return;
    }
    QScrollBar* bar = text_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const QTextBlock top = text_->document()->findBlockByLineNumber(bar->value());
    const int topBlock = top.blockNumber();
    const int topLine = bar->value() - top.firstLineNumber();
    const int anchor = text_->textCursor().anchor();
    const int position = text_->textCursor().position();

    // Where the text shown wraps at words, the lines both texts start with hold no run too
    // long for that, and only the rest is looked at. Those lines keep their layout: only what
    // differs is put in the document, which for a growing log is a few lines, not 8 MiB.
    const QTextOption::WrapMode wrap = text_->wordWrapMode() == QTextOption::WrapAnywhere
                                           ? wrapModeFor(text)
                                           : wrapModeFor(QStringView(text).mid(change.sharedStart));
    if (wrap == text_->wordWrapMode()) {
        QTextCursor edit(text_->document());
        edit.setPosition(int(change.editStart));
        edit.setPosition(int(change.oldEnd), QTextCursor::KeepAnchor);
        edit.insertText(text.mid(change.editStart, change.newEnd - change.editStart));
        shown_ = text;
    } else {
        setText(text, wrap);
    }
    markLines(change.firstNew, change.lastNew);

    // A selection in the lines that stayed stays, so that a find goes on from it.
    QTextCursor cursor(text_->document()->findBlockByNumber(topBlock));
    if (std::max(anchor, position) <= change.sharedStart) {
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
    }
    text_->setTextCursor(cursor);
    if (atEnd)
        bar->setValue(bar->maximum());
    else
        bar->setValue(text_->document()->findBlockByNumber(topBlock).firstLineNumber() + topLine);
}

void ContentView::markLines(int first, int last) {
    QList<QTextEdit::ExtraSelection> marks;
    if (first <= last) {
        const QTextDocument* document = text_->document();
        const QTextBlock end = document->findBlockByNumber(last);
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(document->findBlockByNumber(first));
        // Taking in the last line's end draws the mark to the box's right edge there too.
        mark.cursor.setPosition(
            std::min(end.position() + end.length(), document->characterCount() - 1),
            QTextCursor::KeepAnchor);
        mark.format.setBackground(markColour(text_->palette()));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
        // The text's last line has no line end to take in; a mark without a selection draws
        // the whole width of the line it is on.
        if (end == document->lastBlock()) {
            mark.cursor.clearSelection();
            marks.append(mark);
        }
    }
    text_->setExtraSelections(marks);
}

void ContentView::openFindBar() {
    findBar_->show();
    findBox_->setFocus(Qt::ShortcutFocusReason);
    findBox_->selectAll();
}

void ContentView::closeFindBar() {
    findBar_->hide();
    text_->setFocus(Qt::OtherFocusReason);
}

void ContentView::find(QTextDocument::FindFlags direction) {
    const QString wanted = findBox_->text();
    if (wanted.isEmpty()) return;
    const QTextDocument* document = text_->document();
    QTextCursor found = document->find(wanted, text_->textCursor(), direction);
    if (found.isNull()) {
        QTextCursor otherEnd(text_->document());
        if (direction & QTextDocument::FindBackward) otherEnd.movePosition(QTextCursor::End);
        found = document->find(wanted, otherEnd, direction);
    }
    if (!found.isNull()) text_->setTextCursor(found);
}

}  // namespace morvane
