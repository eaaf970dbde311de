#pragma once

#include <QItemSelectionModel>
#include <QModelIndex>

namespace morvane {

// A single-selection list keeps the item the user chose: where Qt would toggle it off (Ctrl with
// a click or with the space bar), the item is chosen again instead. Only the program clears it.
inline QItemSelectionModel::SelectionFlags keepChosen(QItemSelectionModel::SelectionFlags flags,
                                                      const QModelIndex& index) {
    if (index.isValid() && (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

}  // namespace morvane
