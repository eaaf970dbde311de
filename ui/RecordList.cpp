#include "RecordList.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

#include "SingleChoice.h"

namespace morvane {

// The rows of the record list: one per record, in order.
class RecordRows : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Takes the records as the rows. Another number of rows resets the model; the same number
    // keeps it and reports only the rows whose record changed, so the view repaints those alone.
    void assign(const std::vector<std::string>& records) {
        if (records.size() != records_.size()) {
            beginResetModel();
            records_ = records;
            endResetModel();
            return;
        }
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records_[i] == records[i]) continue;
            records_[i] = records[i];
            const QModelIndex changed = index(int(i));
            emit dataChanged(changed, changed);
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(records_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= int(records_.size())) return {};
        if (role == Qt::DisplayRole) return QString::number(index.row());
        if (role == RecordListView::RecordRole) {
            const std::string& record = records_[std::size_t(index.row())];
            return QByteArray(record.data(), qsizetype(record.size()));
        }
        return {};
    }

private:
    std::vector<std::string> records_;
};

namespace {

// Hands every row to the list's row painter, then adds the platform's focus frame around the
// row that holds the keyboard focus.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(RecordListView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect rect(option.rect.left(), option.rect.top(), option.rect.width(),
                         view_->rowHeight());
        if (view_->rowPainter()) {
            painter->save();
            view_->rowPainter()(*painter, index.row(), rect,
                                option.state.testFlag(QStyle::State_Selected));
            painter->restore();
        }
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = rect;
            view_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view_);
        }
    }

    // Rows are as wide as the list whatever this says; only the height counts.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(1, view_->rowHeight());
    }

private:
    RecordListView* view_;
};

}  // namespace

SectionHeader::SectionHeader(int sections, QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setModel(new QStandardItemModel(0, sections, this));
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(0);
    setMaximumSectionSize(10000);
}

void SectionHeader::setCaptions(const QStringList& captions) {
    auto* m = static_cast<QStandardItemModel*>(model());
    m->setHorizontalHeaderLabels(captions);
}

void SectionHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    if (sectionPainter_) {
        painter->save();
        sectionPainter_(*painter, rect, logicalIndex);
        painter->restore();
    }
    // The divider at the right edge and the line along the bottom, in the platform's shade.
    painter->save();
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}

RecordListView::RecordListView(int rowHeight, QWidget* parent)
    : QListView(parent), rows_(new RecordRows(this)), rowHeight_(rowHeight) {
    setModel(rows_);
    setItemDelegate(new RowDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFrameShape(QFrame::NoFrame);
    setSpacing(0);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (refilling_) return;
        const int row = selectedRow();
        if (row >= 0) emit rowSelectedByUser(row);
    });
}

void RecordListView::refill(const std::vector<std::string>& records) {
    refilling_ = true;
    rows_->assign(records);
    // Neither the clear nor the scroll repaints anything when there is no selection, no current
    // row, and the list is already at the top.
    selectionModel()->clear();
    // Lay the rows out now rather than at the next turn of the event loop, so that a repaint
    // right after the refill already shows them.
    executeDelayedItemsLayout();
    scrollToTop();
    refilling_ = false;
}

void RecordListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QList<int>& roles) {
    // Every row keeps its height and place whatever its record, so a change repaints the rows
    // it names and no more. QListView's own handling would lay the rows out again and repaint
    // the whole list.
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

QItemSelectionModel::SelectionFlags RecordListView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const {
    return keepChosen(QListView::selectionCommand(index, event), index);
}

int RecordListView::rowCount() const {
    return rows_->rowCount();
}

int RecordListView::selectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

}  // namespace morvane
