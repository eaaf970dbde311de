#pragma once

// The two widgets of the table: the column header whose sections the main window paints, and
// the record list whose rows it paints. Neither draws any text of its own.

#include <QHeaderView>
#include <QListView>
#include <functional>
#include <string>
#include <vector>

namespace morvane {

class RecordRows;

// HeaderLog: a horizontal header of five clickable, resizable sections, standing on its own
// above the list rather than attached to a view.
class SectionHeader : public QHeaderView {
    Q_OBJECT
public:
    using SectionPainter = std::function<void(QPainter& painter, const QRect& rect, int section)>;

    SectionHeader(int sections, QWidget* parent = nullptr);

    void setSectionPainter(SectionPainter painter) { sectionPainter_ = std::move(painter); }
    // The texts a screen reader or a test finds for the sections; the painter draws its own.
    void setCaptions(const QStringList& captions);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    SectionPainter sectionPainter_;
};

// ListLog: a single-selection list of fixed-height rows, each as wide as the list.
class RecordListView : public QListView {
    Q_OBJECT
public:
    using RowPainter =
        std::function<void(QPainter& painter, int row, const QRect& rect, bool selected)>;

    RecordListView(int rowHeight, QWidget* parent = nullptr);

    void setRowPainter(RowPainter painter) { rowPainter_ = std::move(painter); }
    const RowPainter& rowPainter() const { return rowPainter_; }
    int rowHeight() const { return rowHeight_; }

    // The model role under which each row holds its record's Shift-JIS bytes (a QByteArray).
    // A row's display text is its number, from "0".
    static constexpr int RecordRole = Qt::UserRole + 1;

    // Replaces every row by the records, in their order. Leaves no row selected, the first row
    // at the top, and does not count as a selection by the user. Only rows whose record changed
    // are repainted, unless the number of rows changed.
    void refill(const std::vector<std::string>& records);

    int rowCount() const;
    // The selected row, or -1.
    int selectedRow() const;

signals:
    // The user selected a row with the mouse or the keyboard.
    void rowSelectedByUser(int row);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    RecordRows* rows_;
    RowPainter rowPainter_;
    int rowHeight_;
    bool refilling_ = false;
};

}  // namespace morvane
