#include "ContentView.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <deque>
#include <optional>

#include "ContentLoad.h"
#include "LogReader.h"
#include "Messages.h"
#include "RecordDrawing.h"

namespace morvane {

namespace {

// Laying a paragraph out at the view's width, Qt looks for each line's end from the word the
// line starts in, to that word's end. In a run with nowhere to break a line (a minified file,
// base64) that is a scan to the run's end for every line. A line with a run this long is
// shown with its rows broken anywhere, which is how such a run wraps anyway.
constexpr qsizetype LongestRunWrappedAtWords = 10000;

// A larger selection is not copied: decoding it would hold the window's thread too long, and
// the clipboard of the desktop would be asked to carry it whole.
constexpr std::int64_t MaxCopyBytes = 4 * 1024 * 1024;

QTextOption::WrapMode wrapModeFor(QStringView text) {
    if (text.size() <= LongestRunWrappedAtWords) return QTextOption::WrapAtWordBoundaryOrAnywhere;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype runStart = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        if (at - runStart > LongestRunWrappedAtWords) return QTextOption::WrapAnywhere;
        runStart = at;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
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

QString qStringOf(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

}  // namespace

// MemoList: the lines around the place shown, decoded and laid out at the box's width. The
// place is a line and a row of its wrapped text, never a pixel of the whole text; the scroll
// bar counts lines once the index is whole and bytes before.
class LogTextArea : public QAbstractScrollArea {
public:
    explicit LogTextArea(QWidget* parent);
    ~LogTextArea() override;

    void setCodec(const TextCodec& codec) { codec_ = &codec; }
    // Says why a copy did not happen.
    void setNoteShower(std::function<void(const QString&)> show) { showNote_ = std::move(show); }
    void showFile(std::shared_ptr<LogReader> reader, bool keepEnd);
    void showText(const QString& text);

    // The selection in bytes of the file; empty when from == to.
    std::int64_t selectionStart() const { return std::min(anchor_, cursor_); }
    std::int64_t selectionEnd() const { return std::max(anchor_, cursor_); }
    void select(std::int64_t from, std::int64_t to);
    // Copies the selection to the clipboard once its bytes are read; tooLarge says why not.
    // To the mouse selection of the desktop (X11's primary selection) instead with
    // QClipboard::Selection, where the platform has one.
    void copy(const std::function<void(const QString&)>& tooLarge,
              QClipboard::Mode mode = QClipboard::Clipboard);
    // Scrolls the byte into view; one outside the lines at hand is shown a third of the way
    // down once read.
    void ensureVisible(std::int64_t byte);
    LogReader* reader() const { return reader_.get(); }
    TextEncoding encoding() const { return facts_.encoding; }
    const TextCodec* codec() const { return codec_; }

    // The text of the lines in view, one "\n" after each but the last, for a screen reader.
    QString visibleText() const;
    // Where in visibleText() the selection lies; -1 for none in view.
    std::pair<int, int> visibleSelection() const;
    // The box of the character at an offset of visibleText() in the viewport, empty for none;
    // and the offset of the character at a point of the viewport, -1 for none: what a screen
    // reader's review by mouse and a magnifier follow.
    QRect characterRect(int offset);
    int offsetAt(QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // A selection made with the mouse is offered to a middle click elsewhere, as a text box
    // does.
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Selects the word under the pointer, as a text box does.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The right button, the Menu key or Shift+F10: コピー and すべて選択.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Line {
        LineSpan span;
        QString text;
        std::vector<std::uint32_t> byteOf;  // per UTF-16 unit, from span.start
        std::uint32_t skipped = 0;          // bytes at the start not shown (a byte-order mark)
        std::unique_ptr<QTextLayout> layout;
        int rows = 1;

        // The UTF-16 unit that a byte of the file stands at, held to the line.
        int unitAt(std::int64_t byte) const {
            const auto rel =
                std::uint32_t(std::clamp<std::int64_t>(byte - span.start, 0, span.bytes.size()));
            return int(std::lower_bound(byteOf.begin(), byteOf.end(), rel) - byteOf.begin());
        }
        // The byte of the file that a unit stands at, held to the line.
        std::int64_t byteAt(int unit) const {
            return span.start +
                   byteOf[std::size_t(std::clamp<int>(unit, 0, int(byteOf.size()) - 1))];
        }
    };
    struct Want {
        LineAnchor anchor = LineAnchor::Offset;
        std::int64_t at = 0;
        int keepRow = 0;     // the row of the anchored line to show at the top
        bool found = false;  // a found place: shown a third of the way down
    };

    void onChange(const LogReader::Change& change);
    void want(Want wanted);
    void fetchNext();
    void takeLines(const Want& wanted, LineBatch batch);
    Line& laidOut(std::size_t i);
    int rowHeight() const { return fontMetrics().lineSpacing(); }
    int rowsInView() const { return std::max(1, viewport()->height() / rowHeight()); }
    void scrollRows(int rows);
    void toEnd();
    void refill();  // asks for lines around the place shown where the cache runs short of it
    void updateBar();
    void onBarAction(int action);
    void textChangedForReaders();
    // The byte under a point of the viewport, or -1 where no line is.
    std::int64_t byteAt(QPoint point);
    // Where a byte of the cache is: its line and the UTF-16 unit there.
    std::optional<std::pair<std::size_t, int>> place(std::int64_t byte) const;
    void moveCursor(int key, bool extend);
    bool showsEnd() const;
    void selectAll() { select(0, message_.isEmpty() ? facts_.textEnd : 0); }
    void copySelection() {
        copy(showNote_ ? showNote_ : [](const QString&) {});
    }

    std::shared_ptr<LogReader> reader_;
    const TextCodec* codec_ = nullptr;
    LogReader::Facts facts_;
    std::deque<Line> lines_;
    std::int64_t firstLine_ = -1;  // the cache's first line number; -1 while unknown
    std::size_t top_ = 0;          // the line at the top of the view, in lines_
    int topRow_ = 0;
    bool fetching_ = false;
    std::optional<Want> next_;  // asked for while a fetch ran
    std::int64_t anchor_ = 0;
    std::int64_t cursor_ = 0;
    std::int64_t markFrom_ = -1;  // lines with bytes from here on are marked; -1 none
    bool atEnd_ = false;
    int barShift_ = 0;
    QString message_;  // shown in place of a file
    QString readersText_;
    std::function<void(const QString&)> showNote_;
};

namespace {

// What a screen reader is told of the box: its name, and the lines in view as its text.
class LogTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LogTextAccessible(LogTextArea* area)
        : QAccessibleWidget(area, QAccessible::EditableText), area_(area) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    void selection(int index, int* start, int* end) const override {
        const auto [from, to] = area_->visibleSelection();
        *start = index == 0 ? from : 0;
        *end = index == 0 ? to : 0;
    }
    int selectionCount() const override { return area_->visibleSelection().first >= 0 ? 1 : 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return std::max(0, area_->visibleSelection().second); }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        return area_->visibleText().mid(start, end - start);
    }
    int characterCount() const override { return int(area_->visibleText().size()); }
    QRect characterRect(int offset) const override {
        const QRect box = area_->characterRect(offset);
        return box.isEmpty() ? box
                             : QRect(area_->viewport()->mapToGlobal(box.topLeft()), box.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return area_->offsetAt(area_->viewport()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override {
        const QString all = area_->visibleText();
        if (type == QAccessible::CharBoundary) {
            *start = offset;
            *end = std::min(int(all.size()), offset + 1);
        } else if (type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary) {
            *start = int(all.lastIndexOf(u'\n', std::max(0, offset - 1) - (offset == 0))) + 1;
            const qsizetype lineEnd = all.indexOf(u'\n', offset);
            *end = lineEnd < 0 ? int(all.size()) : int(lineEnd);
        } else {
            *start = 0;
            *end = int(all.size());
        }
        return all.mid(*start, *end - *start);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override {
        return offset > 0 ? textAtOffset(offset - 1, type, start, end)
                          : (*start = *end = 0, QString());
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override {
        const int count = characterCount();
        return offset + 1 < count ? textAtOffset(offset + 1, type, start, end)
                                  : (*start = *end = count, QString());
    }

private:
    LogTextArea* area_;
};

QAccessibleInterface* logTextAccessible(const QString&, QObject* object) {
    if (auto* area = dynamic_cast<LogTextArea*>(object)) return new LogTextAccessible(area);
    return nullptr;
}

}  // namespace

LogTextArea::LogTextArea(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(logTextAccessible);
        return true;
    }();
    (void)accessibleInstalled;
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { onBarAction(action); });
}

LogTextArea::~LogTextArea() {
    if (reader_) reader_->setListener(nullptr);
}

void LogTextArea::showFile(std::shared_ptr<LogReader> reader, bool keepEnd) {
    const bool toEndNow = keepEnd && atEnd_;
    if (reader_) reader_->setListener(nullptr);
    reader_ = std::move(reader);
    message_.clear();
    facts_ = reader_->facts();
    lines_.clear();
    firstLine_ = -1;
    top_ = 0;
    topRow_ = 0;
    anchor_ = cursor_ = 0;
    markFrom_ = -1;
    next_.reset();
    // A view that outlives the loader's answers hears nothing more; one that goes first is
    // not called.
    reader_->setListener([view = QPointer<LogTextArea>(this)](const LogReader::Change& change) {
        if (view) view->onChange(change);
    });
    want(toEndNow ? Want{LineAnchor::End, 0} : Want{LineAnchor::Offset, 0});
    updateBar();
    viewport()->update();
}

void LogTextArea::showText(const QString& text) {
    if (reader_) reader_->setListener(nullptr);
    reader_.reset();
    lines_.clear();
    facts_ = {};
    message_ = text;
    anchor_ = cursor_ = 0;
    markFrom_ = -1;
    updateBar();
    viewport()->update();
    textChangedForReaders();
}

void LogTextArea::onChange(const LogReader::Change& change) {
    const LogReader::Facts before = facts_;
    facts_ = reader_->facts();
    switch (change.kind) {
        case LogReader::Change::Indexed:
            updateBar();
            // Lines read before the index reached them learn their numbers, which the bar
            // counts in once the index is whole.
            if (!lines_.empty() &&
                (facts_.encoding != before.encoding || (facts_.indexWhole && firstLine_ < 0)))
                want({LineAnchor::Offset, lines_[top_].span.start, topRow_});
            else
                refill();
            return;
        case LogReader::Change::Grew:
            markFrom_ = change.from;
            if (atEnd_ || lines_.empty())
                toEnd();
            else
                want({LineAnchor::Offset, lines_[top_].span.start, topRow_});
            return;
        case LogReader::Change::Renewed:
            markFrom_ = 0;
            anchor_ = cursor_ = 0;
            lines_.clear();
            want(atEnd_ ? Want{LineAnchor::End, 0} : Want{LineAnchor::Offset, 0});
            return;
    }
}

void LogTextArea::want(Want wanted) {
    if (!reader_) return;
    next_ = wanted;
    if (!fetching_) fetchNext();
}

void LogTextArea::fetchNext() {
    if (!next_ || !reader_) return;
    const Want wanted = *next_;
    next_.reset();
    fetching_ = true;
    const int rows = rowsInView();
    const int before = wanted.anchor == LineAnchor::End ? rows * 2 : rows;
    const int after = wanted.anchor == LineAnchor::End ? 1 : rows * 2 + 1;
    reader_->fetch(wanted.anchor, wanted.at, before, after,
                   [view = QPointer<LogTextArea>(this), reader = reader_, wanted](LineBatch batch) {
                       if (!view) return;
                       view->fetching_ = false;
                       // Late lines of a file no longer shown, or of a text since read anew.
                       if (view->reader_ == reader && batch.version == view->facts_.version)
                           view->takeLines(wanted, std::move(batch));
                       view->fetchNext();
                   });
}

void LogTextArea::takeLines(const Want& wanted, LineBatch batch) {
    if (batch.lines.empty() && facts_.textEnd > 0) return;  // unread: keep what is shown
    lines_.clear();
    firstLine_ = batch.firstLine;
    for (LineSpan& span : batch.lines) {
        Line line;
        std::string_view bytes(span.bytes);
        if (span.start == 0 && facts_.encoding == TextEncoding::Utf8 &&
            bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            bytes.remove_prefix(3);
            line.skipped = 3;
        }
        const bool atTextEnd = span.start + std::int64_t(span.bytes.size()) >= facts_.textEnd;
        DecodedLine decoded = decodeLine(codec_, facts_.encoding, bytes, atTextEnd);
        line.text = qStringOf(decoded.text);
        line.byteOf = std::move(decoded.byteOf);
        for (std::uint32_t& b : line.byteOf) b += line.skipped;
        line.span = std::move(span);
        lines_.push_back(std::move(line));
    }
    top_ = 0;
    topRow_ = 0;
    if (wanted.anchor == LineAnchor::End) {
        top_ = lines_.empty() ? 0 : lines_.size() - 1;
        toEnd();
    } else {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const LineSpan& s = lines_[i].span;
            const bool holds = wanted.anchor == LineAnchor::Line
                                   ? firstLine_ >= 0 && firstLine_ + std::int64_t(i) == wanted.at
                                   : s.start <= wanted.at && wanted.at < s.next;
            if (holds) {
                top_ = i;
                break;
            }
            if (wanted.anchor == LineAnchor::Offset && s.start > wanted.at) break;
        }
        if (!lines_.empty()) topRow_ = std::min(wanted.keepRow, laidOut(top_).rows - 1);
        if (wanted.found)
            scrollRows(-rowsInView() / 3);
        else
            scrollRows(0);
    }
    updateBar();
    viewport()->update();
    textChangedForReaders();
}

LogTextArea::Line& LogTextArea::laidOut(std::size_t i) {
    Line& line = lines_[i];
    if (line.layout) return line;
    line.layout = std::make_unique<QTextLayout>(line.text, font());
    QTextOption option;
    option.setWrapMode(wrapModeFor(line.text));
    line.layout->setTextOption(option);
    line.layout->setCacheEnabled(true);
    line.layout->beginLayout();
    int rows = 0;
    const int width = std::max(1, viewport()->width());
    for (QTextLine row = line.layout->createLine(); row.isValid();
         row = line.layout->createLine()) {
        row.setLineWidth(width);
        row.setPosition(QPointF(0, rows * rowHeight()));
        ++rows;
    }
    line.layout->endLayout();
    line.rows = std::max(1, rows);
    return line;
}

void LogTextArea::scrollRows(int rows) {
    if (lines_.empty()) return;
    int row = topRow_ + rows;
    while (row < 0 && top_ > 0) row += laidOut(--top_).rows;
    row = std::max(row, 0);
    while (row >= laidOut(top_).rows && top_ + 1 < lines_.size()) row -= laidOut(top_++).rows;
    topRow_ = std::min(row, laidOut(top_).rows - 1);
    // Not past the end: the last row stays at the bottom once the end is in view.
    int below = 0;
    for (std::size_t i = top_; i < lines_.size() && below <= rowsInView(); ++i)
        below += laidOut(i).rows - (i == top_ ? topRow_ : 0);
    if (below < rowsInView() && lines_.back().span.next >= facts_.textEnd) toEnd();
    refill();
    updateBar();
    viewport()->update();
    textChangedForReaders();
}

void LogTextArea::toEnd() {
    if (lines_.empty()) return;
    if (lines_.back().span.next < facts_.textEnd) {
        want({LineAnchor::End, 0});
        return;
    }
    int rows = rowsInView();
    std::size_t i = lines_.size();
    while (i > 0 && rows > 0) rows -= laidOut(--i).rows;
    top_ = i;
    topRow_ = rows < 0 ? -rows : 0;
    viewport()->update();
}

void LogTextArea::refill() {
    if (lines_.empty() || fetching_) return;
    const int rows = rowsInView();
    const bool shortBefore = top_ < std::size_t(rows) && lines_.front().span.start > 0;
    int below = 0;
    for (std::size_t i = top_; i < lines_.size() && below < 2 * rows; ++i) below += laidOut(i).rows;
    const bool shortAfter = below < 2 * rows && lines_.back().span.next < facts_.textEnd;
    if (shortBefore || shortAfter) want({LineAnchor::Offset, lines_[top_].span.start, topRow_});
}

bool LogTextArea::showsEnd() const {
    if (lines_.empty()) return true;
    if (lines_.back().span.next < facts_.textEnd) return false;
    int rows = -topRow_;
    for (std::size_t i = top_; i < lines_.size(); ++i) rows += lines_[i].rows;
    return rows <= rowsInView();
}

void LogTextArea::updateBar() {
    QScrollBar* bar = verticalScrollBar();
    if (bar->isSliderDown()) return;  // the user's drag places the view, not the index
    const int rows = rowsInView();
    if (!reader_ || facts_.textEnd == 0) {
        bar->setRange(0, 0);
    } else if (facts_.indexWhole) {
        const std::int64_t last = std::max<std::int64_t>(0, facts_.lineCount - rows);
        bar->setRange(0, int(std::min<std::int64_t>(last, std::numeric_limits<int>::max())));
        bar->setPageStep(rows);
        bar->setSingleStep(1);
        if (!lines_.empty() && firstLine_ >= 0)
            bar->setValue(int(std::min<std::int64_t>(firstLine_ + std::int64_t(top_), last)));
    } else {
        // Until the index is whole, the bar counts bytes, halved until they fit.
        barShift_ = 0;
        while ((facts_.textEnd >> barShift_) > (1 << 30)) ++barShift_;
        bar->setRange(0, int(facts_.textEnd >> barShift_));
        bar->setPageStep(std::max(1, int((std::int64_t(rows) * 100) >> barShift_)));
        bar->setSingleStep(1);
        if (!lines_.empty()) bar->setValue(int(lines_[top_].span.start >> barShift_));
    }
    atEnd_ = reader_ && showsEnd();
    if (atEnd_ && !lines_.empty()) bar->setValue(bar->maximum());
}

void LogTextArea::onBarAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    const int rows = rowsInView();
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
        case QAbstractSlider::SliderSingleStepSub:
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderPageStepSub: {
            const bool add = action == QAbstractSlider::SliderSingleStepAdd ||
                             action == QAbstractSlider::SliderPageStepAdd;
            const bool page = action == QAbstractSlider::SliderPageStepAdd ||
                              action == QAbstractSlider::SliderPageStepSub;
            bar->setSliderPosition(bar->value());
            scrollRows((page ? std::max(1, rows - 1) : 1) * (add ? 1 : -1));
            bar->setSliderPosition(bar->value());
            return;
        }
        default: {
            const int position = bar->sliderPosition();
            if (position >= bar->maximum())
                want({LineAnchor::End, 0});
            else if (facts_.indexWhole)
                want({LineAnchor::Line, position});
            else
                want({LineAnchor::Offset, std::int64_t(position) << barShift_});
            return;
        }
    }
}

void LogTextArea::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    for (Line& line : lines_) line.layout.reset();
    if (!lines_.empty()) {
        topRow_ = std::min(topRow_, laidOut(top_).rows - 1);
        if (atEnd_) toEnd();
        refill();
    }
    updateBar();
}

void LogTextArea::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPalette& colours = palette();
    painter.fillRect(viewport()->rect(), colours.color(QPalette::Base));
    painter.setPen(colours.color(QPalette::Text));
    painter.setFont(font());
    if (!message_.isEmpty()) {
        painter.drawText(viewport()->rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                         message_);
        return;
    }
    const int height = viewport()->height();
    const int width = viewport()->width();
    const std::int64_t from = selectionStart();
    const std::int64_t to = selectionEnd();
    int y = -topRow_ * rowHeight();
    for (std::size_t i = top_; i < lines_.size() && y < height; ++i) {
        Line& line = laidOut(i);
        const LineSpan& s = line.span;
        const int lineHeight = line.rows * rowHeight();
        const bool marked = markFrom_ >= 0 && (s.start >= markFrom_ ||
                                               s.start + std::int64_t(s.bytes.size()) > markFrom_);
        if (marked) painter.fillRect(0, y, width, lineHeight, markColour(colours));
        QList<QTextLayout::FormatRange> selection;
        if (from < to && from < s.next && to > s.start) {
            QTextLayout::FormatRange range;
            range.start = line.unitAt(from);
            range.length = line.unitAt(to) - range.start;
            range.format.setBackground(colours.color(QPalette::Highlight));
            range.format.setForeground(colours.color(QPalette::HighlightedText));
            selection.append(range);
        }
        line.layout->draw(&painter, QPointF(0, y), selection);
        y += lineHeight;
    }
}

std::int64_t LogTextArea::byteAt(QPoint point) {
    if (lines_.empty()) return -1;
    int y = -topRow_ * rowHeight();
    for (std::size_t i = top_; i < lines_.size(); ++i) {
        Line& line = laidOut(i);
        const int lineHeight = line.rows * rowHeight();
        if (point.y() < y + lineHeight || i + 1 == lines_.size()) {
            const int row = std::clamp((point.y() - y) / rowHeight(), 0, line.rows - 1);
            const QTextLine textRow = line.layout->lineAt(row);
            const int unit = textRow.isValid() ? textRow.xToCursor(point.x()) : 0;
            return line.byteAt(unit);
        }
        y += lineHeight;
    }
    return -1;
}

std::optional<std::pair<std::size_t, int>> LogTextArea::place(std::int64_t byte) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (byte < line.span.start || byte >= line.span.next) continue;
        return std::pair(i, line.unitAt(byte));
    }
    if (!lines_.empty() && byte == lines_.back().span.next)
        return std::pair(lines_.size() - 1, int(lines_.back().text.size()));
    return std::nullopt;
}

void LogTextArea::select(std::int64_t from, std::int64_t to) {
    anchor_ = from;
    cursor_ = to;
    viewport()->update();
    QAccessibleTextSelectionEvent event(this, 0, 0);
    QAccessible::updateAccessibility(&event);
}

void LogTextArea::ensureVisible(std::int64_t byte) {
    const auto at = place(byte);
    if (!at) {
        want({LineAnchor::Offset, byte, 0, true});
        return;
    }
    const std::size_t i = at->first;
    const int row = laidOut(i).layout->lineForTextPosition(at->second).lineNumber();
    int rowsFromTop = -topRow_;
    if (i < top_) {
        for (std::size_t k = i; k < top_; ++k) rowsFromTop -= laidOut(k).rows;
    } else {
        for (std::size_t k = top_; k < i; ++k) rowsFromTop += laidOut(k).rows;
    }
    rowsFromTop += std::max(0, row);
    if (rowsFromTop < 0)
        scrollRows(rowsFromTop);
    else if (rowsFromTop >= rowsInView())
        scrollRows(rowsFromTop - rowsInView() + 1);
}

void LogTextArea::moveCursor(int key, bool extend) {
    const auto at = place(cursor_);
    if (!at) return;
    auto [i, unit] = *at;
    Line& line = laidOut(i);
    switch (key) {
        case Qt::Key_Left:
            if (unit > 0)
                --unit;
            else if (i > 0)
                unit = int(lines_[--i].text.size());
            break;
        case Qt::Key_Right:
            if (unit < int(line.text.size()))
                ++unit;
            else if (i + 1 < lines_.size())
                unit = 0, ++i;
            break;
        case Qt::Key_Home:
            unit = 0;
            break;
        case Qt::Key_End:
            unit = int(line.text.size());
            break;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const QTextLine row = line.layout->lineForTextPosition(unit);
            const qreal x = row.isValid() ? row.cursorToX(unit) : 0;
            int target = (row.isValid() ? row.lineNumber() : 0) + (key == Qt::Key_Up ? -1 : 1);
            if (target < 0) {
                if (i == 0) break;
                --i;
                target = laidOut(i).rows - 1;
            } else if (target >= line.rows) {
                if (i + 1 == lines_.size()) break;
                ++i;
                target = 0;
            }
            unit = laidOut(i).layout->lineAt(target).xToCursor(x);
            break;
        }
        default:
            return;
    }
    cursor_ = lines_[i].byteAt(unit);
    if (!extend) anchor_ = cursor_;
    select(anchor_, cursor_);
    ensureVisible(cursor_);
}

void LogTextArea::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int rows = rowsInView();
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (control && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
                const bool end = event->key() == Qt::Key_End;
                if (shift) select(anchor_, end ? facts_.textEnd : 0);
                if (end) {
                    toEnd();
                    want({LineAnchor::End, 0});
                } else {
                    want({LineAnchor::Offset, 0});
                }
                return;
            }
            if (shift) {
                if (anchor_ == cursor_ && !place(cursor_) && !lines_.empty())
                    anchor_ = cursor_ = lines_[top_].span.start;
                moveCursor(event->key(), true);
                return;
            }
            if (event->key() == Qt::Key_Up) scrollRows(-1);
            if (event->key() == Qt::Key_Down) scrollRows(1);
            return;
        case Qt::Key_PageUp:
            scrollRows(-std::max(1, rows - 1));
            return;
        case Qt::Key_PageDown:
            scrollRows(std::max(1, rows - 1));
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogTextArea::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120 * QApplication::wheelScrollLines();
    if (steps != 0) scrollRows(-steps);
    event->accept();
}

void LogTextArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::int64_t byte = byteAt(event->position().toPoint());
    if (byte < 0) return;
    if (event->modifiers() & Qt::ShiftModifier)
        select(anchor_, byte);
    else
        select(byte, byte);
}

void LogTextArea::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    if (point.y() < 0) scrollRows(-1);
    if (point.y() >= viewport()->height()) scrollRows(1);
    const std::int64_t byte = byteAt(point);
    if (byte >= 0) select(anchor_, byte);
}

void LogTextArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const auto at = place(byteAt(event->position().toPoint()));
    if (!at) return;
    const Line& line = lines_[at->first];
    const int unit = at->second;
    if (unit >= int(line.text.size())) return;
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, line.text);
    words.setPosition(unit + 1);
    const int from = std::max<qsizetype>(0, words.toPreviousBoundary());
    words.setPosition(unit);
    qsizetype to = words.toNextBoundary();
    if (to < 0) to = line.text.size();
    select(line.byteAt(int(from)), line.byteAt(int(to)));
    if (QApplication::clipboard()->supportsSelection())
        copy([](const QString&) {}, QClipboard::Selection);
}

void LogTextArea::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyItem = menu.addAction(ContentCopyItemText, this, [this] { copySelection(); });
    copyItem->setShortcut(QKeySequence::Copy);
    copyItem->setEnabled(selectionStart() != selectionEnd() || !message_.isEmpty());
    menu.addSeparator();
    QAction* allItem = menu.addAction(ContentSelectAllItemText, this, [this] { selectAll(); });
    allItem->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}

void LogTextArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && QApplication::clipboard()->supportsSelection() &&
        selectionStart() != selectionEnd())
        copy([](const QString&) {}, QClipboard::Selection);
}

void LogTextArea::copy(const std::function<void(const QString&)>& tooLarge, QClipboard::Mode mode) {
    if (!message_.isEmpty()) {
        QApplication::clipboard()->setText(message_, mode);
        return;
    }
    const std::int64_t from = selectionStart();
    const std::int64_t to = selectionEnd();
    if (from == to || !reader_) return;
    if (to - from > MaxCopyBytes) {
        tooLarge(copyTooLargeMessage(MaxCopyBytes));
        return;
    }
    reader_->readRange(
        from, to,
        [view = QPointer<LogTextArea>(this), from, mode](std::optional<std::string> bytes) {
            if (!view || !bytes || !view->codec_) return;
            QApplication::clipboard()->setText(
                qStringOf(decodeText(*view->codec_, view->facts_.encoding, *bytes, from == 0)),
                mode);
        });
}

QRect LogTextArea::characterRect(int offset) {
    if (!message_.isEmpty() || offset < 0) return {};
    int y = -topRow_ * rowHeight();
    for (std::size_t i = top_; i < lines_.size() && y < viewport()->height(); ++i) {
        Line& line = laidOut(i);
        const int units = int(line.text.size());
        if (offset <= units) {  // the line's end stands for its "\n"
            const QTextLine row = line.layout->lineForTextPosition(offset);
            if (!row.isValid()) return {};
            const int x = int(row.cursorToX(offset));
            const int next = offset < units ? int(row.cursorToX(offset + 1))
                                            : x + fontMetrics().averageCharWidth();
            return QRect(x, y + int(row.y()), std::max(1, next - x), rowHeight());
        }
        offset -= units + 1;
        y += line.rows * rowHeight();
    }
    return {};
}

int LogTextArea::offsetAt(QPoint point) {
    if (!message_.isEmpty()) return -1;
    int offset = 0;
    int y = -topRow_ * rowHeight();
    for (std::size_t i = top_; i < lines_.size() && y < viewport()->height(); ++i) {
        Line& line = laidOut(i);
        const int height = line.rows * rowHeight();
        if (point.y() < y) return -1;
        if (point.y() < y + height) {
            const QTextLine row =
                line.layout->lineAt(std::clamp((point.y() - y) / rowHeight(), 0, line.rows - 1));
            return offset + (row.isValid() ? row.xToCursor(point.x()) : 0);
        }
        offset += int(line.text.size()) + 1;
        y += height;
    }
    return -1;
}

QString LogTextArea::visibleText() const {
    if (!message_.isEmpty()) return message_;
    QString text;
    int rows = -topRow_;
    for (std::size_t i = top_; i < lines_.size() && rows < rowsInView(); ++i) {
        if (i > top_) text += u'\n';
        text += lines_[i].text;
        rows += lines_[i].rows;
    }
    return text;
}

std::pair<int, int> LogTextArea::visibleSelection() const {
    const std::int64_t from = selectionStart();
    const std::int64_t to = selectionEnd();
    if (from == to || lines_.empty()) return {-1, -1};
    int offset = 0;
    int start = -1;
    int end = -1;
    for (std::size_t i = top_; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (start < 0 && from < line.span.next) start = offset + line.unitAt(from);
        if (to <= line.span.next) {
            end = offset + line.unitAt(to);
            break;
        }
        offset += int(line.text.size()) + 1;
    }
    if (start < 0) return {-1, -1};
    return {start, end < 0 ? offset : end};
}

void LogTextArea::textChangedForReaders() {
    const QString now = visibleText();
    if (now == readersText_) return;
    QAccessibleTextUpdateEvent event(this, 0, readersText_, now);
    readersText_ = now;
    QAccessible::updateAccessibility(&event);
}

ContentView::ContentView(QWidget* parent)
    : QFrame(parent),
      text_(new LogTextArea(this)),
      findBar_(new QWidget(this)),
      findBox_(new QLineEdit(findBar_)),
      note_(new QLabel(this)),
      noteTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("PanelView"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    text_->setObjectName(QStringLiteral("MemoList"));
    text_->setFrameShape(QFrame::NoFrame);
    text_->setFont(recordListFont());
    text_->setAccessibleName(QStringLiteral("内容"));
    layout->addWidget(text_, 1);

    note_->setObjectName(QStringLiteral("LabelNote"));
    note_->hide();
    layout->addWidget(note_);
    noteTimer_->setSingleShot(true);
    noteTimer_->setInterval(5000);
    connect(noteTimer_, &QTimer::timeout, note_, &QWidget::hide);

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

    const auto findNext = [this] { find(false); };
    const auto findPrevious = [this] { find(true); };
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
    text_->setNoteShower([this](const QString& note) { showNote(note); });

    setColours(0, 0x00FF00);
}

ContentView::~ContentView() = default;

void ContentView::setCodec(const TextCodec& codec) {
    text_->setCodec(codec);
}

void ContentView::setColours(std::int32_t back, std::int32_t text) {
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Base, colourFromBgr(back));
    palette.setColor(QPalette::Text, colourFromBgr(text));
    text_->setPalette(palette);
}

void ContentView::showFile(std::shared_ptr<LogReader> reader, bool keepEnd) {
    text_->showFile(std::move(reader), keepEnd);
}

void ContentView::showText(const QString& text) {
    text_->showText(text);
}

void ContentView::showNote(const QString& text) {
    note_->setText(text);
    note_->show();
    noteTimer_->start();
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

void ContentView::find(bool backward) {
    LogReader* reader = text_->reader();
    const QString wanted = findBox_->text();
    if (wanted.isEmpty() || !reader) return;
    std::string needle;
    if (text_->encoding() == TextEncoding::Utf8)
        needle = wanted.toStdString();
    else if (!text_->codec() || !text_->codec()->fromUtf8(wanted.toStdString(), needle))
        return;  // not in the text's characters: nowhere in it
    const std::int64_t from = backward ? text_->selectionStart() : text_->selectionEnd();
    const auto length = std::int64_t(needle.size());
    reader->find(std::move(needle), from, backward,
                 [area = QPointer<LogTextArea>(text_), reader, length](std::int64_t found) {
                     // A find for a file no longer shown is dropped.
                     if (!area || area->reader() != reader || found < 0) return;
                     area->select(found, found + length);
                     area->ensureVisible(found);
                 });
}

}  // namespace morvane
