#pragma once

// The table of records: a model that owns the records of the last check, one column per drawn
// column, and the view that paints each row of it whole, under its own header.

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTreeView>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "CheckCycle.h"
#include "Ordering.h"
#include "Platform.h"
#include "Settings.h"
#include "StatusRecord.h"

namespace morvane {

// The records of the last check, in display order. Each column's text is what its cell shows;
// a cell's description and a row's tooltip say the file's state in words, and the tooltip
// gives the file's full path.
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The role under which each row holds its record's Shift-JIS bytes (a QByteArray).
    static constexpr int RecordRole = Qt::UserRole + 1;

    explicit RecordTableModel(const TextCodec& codec, QObject* parent = nullptr);

    // Gives a row its tooltip; asked only when the tooltip is shown.
    using ToolTipOf = std::function<QString(int row)>;
    void setToolTipOf(ToolTipOf toolTipOf) { toolTipOf_ = std::move(toolTipOf); }

    // Takes the rows' records. Another number of rows resets the model; the same number keeps
    // it and reports only the rows whose record changed.
    void setRows(const WatchRows& rows);
    const Records& records() const { return records_; }

    // The sort state the header shows, and tells a screen reader.
    void setSortState(SortState sort);
    SortState sortState() const { return sort_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const TextCodec& codec_;
    ToolTipOf toolTipOf_;
    Records records_;
    SortState sort_;
};

// HeaderLog: five clickable, resizable sections, each painted with its caption and, on the
// sort column, the sort arrow.
class SectionHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit SectionHeader(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// ListLog: a single-selection table of fixed-height rows, each painted whole across the
// header's sections in its state's colour. Without rows it says how files are added. Files
// dropped on it are handed on by filesDropped().
class RecordListView : public QTreeView {
    Q_OBJECT
public:
    RecordListView(const TextCodec& codec, QWidget* parent = nullptr);

    RecordTableModel* table() const { return table_; }
    SectionHeader* sectionHeader() const { return header_; }

    void setColours(const StateColours& colours);

    // Replaces every row by the rows given, in their order (see RecordTableModel::setRows).
    // Leaves no row selected, the first row at the top, and does not count as a selection by
    // the user.
    void refill(const WatchRows& rows);

    int rowCount() const;
    // The selected row, or -1.
    int selectedRow() const;

signals:
    // The user selected a row with the mouse or the keyboard.
    void rowSelectedByUser(int row);
    // The user dropped local files on the list: their native paths, folders marked.
    void filesDropped(const QStringList& nativePaths);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The description a screen reader reads: what the list says while it has no rows.
    void describeEmptiness();
    // The band a row is painted in: the viewport's whole width, past the last section too.
    QRect rowBand(int row) const;

    const TextCodec& codec_;
    RecordTableModel* table_;
    SectionHeader* header_;
    StateColours colours_;
    bool refilling_ = false;
};

}  // namespace morvane
