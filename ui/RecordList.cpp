#include "RecordList.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

#include "Messages.h"
#include "RecordDrawing.h"
#include "SingleChoice.h"
#include "WatchListAdditions.h"

namespace morvane {

namespace {

// Every row is RowHeight high, whatever the font; the view paints the rows itself.
class FixedHeightRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(1, RowHeight);
    }
};

}  // namespace

RecordTableModel::RecordTableModel(const TextCodec& codec, QObject* parent)
    : QAbstractTableModel(parent), codec_(codec) {}

void RecordTableModel::setRows(const WatchRows& rows) {
    if (rows.size() != records_.size()) {
        beginResetModel();
        records_.clear();
        records_.reserve(rows.size());
        for (const WatchRow& row : rows) records_.push_back(row.record);
        endResetModel();
        return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (records_[i] == rows[i].record) continue;
        records_[i] = rows[i].record;
        const int row = int(i);
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    }
}

void RecordTableModel::setSortState(SortState sort) {
    if (sort.key == sort_.key && sort.order == sort_.order) return;
    sort_ = sort;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(records_.size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(records_.size())) return {};
    const std::string& record = records_[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return cellText(record, index.column(), codec_);
        case Qt::AccessibleDescriptionRole:
            return stateWords(stateOf(record));
        case Qt::ToolTipRole:
            return toolTipOf_ ? toolTipOf_(index.row()) : QString();
        case RecordRole:
            return QByteArray(record.data(), qsizetype(record.size()));
        default:
            return {};
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return headerCaption(section);
    if (role == Qt::AccessibleDescriptionRole && sort_.key != SortKey::WatchOrder &&
        sort_.key == columnSortKey(section))
        return sortWords(sort_.order);
    return {};
}

SectionHeader::SectionHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(0);
    setMaximumSectionSize(10000);
    setFixedHeight(HeaderHeight);
}

QSize SectionHeader::sizeHint() const {
    // The view lays its header out at the height of this hint.
    return QSize(QHeaderView::sizeHint().width(), HeaderHeight);
}

void SectionHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    const auto* table = qobject_cast<const RecordTableModel*>(model());
    const QPalette& colours = palette();
    paintHeaderSection(*painter, rect, logicalIndex, table ? table->sortState() : SortState{},
                       font(), colours.color(QPalette::WindowText),
                       colours.color(QPalette::Button));
    // The divider at the right edge and the line along the bottom, in the platform's shade.
    painter->save();
    painter->setPen(colours.color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}

RecordListView::RecordListView(const TextCodec& codec, QWidget* parent)
    : QTreeView(parent),
      codec_(codec),
      table_(new RecordTableModel(codec, this)),
      header_(new SectionHeader(this)) {
    setHeader(header_);
    setModel(table_);
    // The window sorts on a click: the view itself sorts nothing.
    setSortingEnabled(false);
    header_->setSectionsClickable(true);
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new FixedHeightRows(this));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (refilling_) return;
        const int row = selectedRow();
        if (row >= 0) emit rowSelectedByUser(row);
    });
    // A row is painted across every section, so a section's new width moves what the rows
    // show at once.
    connect(header_, &QHeaderView::sectionResized, this, [this] { viewport()->repaint(); });
    // The number of rows changes only by a reset.
    connect(table_, &QAbstractItemModel::modelReset, this, &RecordListView::describeEmptiness);
    describeEmptiness();
    viewport()->setAcceptDrops(true);
}

void RecordListView::describeEmptiness() {
    setAccessibleDescription(table_->rowCount() == 0 ? EmptyListText : QString());
}

void RecordListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (table_->rowCount() > 0) return;
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(colourFromBgr(colours_.normal));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, EmptyListText);
}

void RecordListView::dragEnterEvent(QDragEnterEvent* event) {
    // While the editor is open its OK would write over what a drop here adds.
    if (QApplication::activeModalWidget()) return;
    if (!draggedFiles(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void RecordListView::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void RecordListView::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    const QStringList paths = draggedFiles(*event->mimeData());
    if (!paths.isEmpty()) emit filesDropped(markFolders(paths, DropAnswerWait));
}

void RecordListView::setColours(const StateColours& colours) {
    colours_ = colours;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, colourFromBgr(colours.listBack));
    setPalette(palette);
    viewport()->update();
}

void RecordListView::refill(const WatchRows& rows) {
    refilling_ = true;
    table_->setRows(rows);
    // Neither the clear nor the scroll repaints anything when there is no selection, no current
    // row, and the list is already at the top.
    selectionModel()->clear();
    // Lay the rows out now rather than at the next turn of the event loop, so that a repaint
    // right after the refill already shows them.
    executeDelayedItemsLayout();
    scrollToTop();
    refilling_ = false;
}

void RecordListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QRect rect(0, option.rect.top(), viewport()->width(), RowHeight);
    std::array<int, ColumnCount> widths{};
    for (int i = 0; i < ColumnCount; ++i) widths[std::size_t(i)] = header_->sectionSize(i);
    const std::string& record = table_->records()[std::size_t(index.row())];
    const bool selected = selectionModel()->isRowSelected(index.row(), index.parent());
    paintRecordRow(*painter, rect, record, selected, widths, colours_, codec_, font());
    if (hasFocus() && currentIndex().row() == index.row()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
    }
}

QRect RecordListView::rowBand(int row) const {
    const QRect cell = visualRect(table_->index(row, 0));
    return QRect(0, cell.top(), viewport()->width(), RowHeight);
}

void RecordListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QList<int>& roles) {
    QTreeView::dataChanged(topLeft, bottomRight, roles);
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) viewport()->update(rowBand(row));
}

QRegion RecordListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row) region += rowBand(row);
    return region;
}

QItemSelectionModel::SelectionFlags RecordListView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const {
    return keepChosen(QTreeView::selectionCommand(index, event), index);
}

int RecordListView::rowCount() const {
    return table_->rowCount();
}

int RecordListView::selectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

}  // namespace morvane
