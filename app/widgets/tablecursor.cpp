#include "app/widgets/tablecursor.h"

#include "app/widgets/scalespacedelegate.h"

#include <QItemSelectionModel>
#include <QTableView>

TableCursor::TableCursor(QTableView* table) : QObject(table), table(table) {}

ScaleSpaceDelegate* TableCursor::delegate() const {
    return dynamic_cast<ScaleSpaceDelegate*>(table->itemDelegate());
}

bool TableCursor::hasFramedCell() const {
    const ScaleSpaceDelegate* framing = delegate();
    return framing != nullptr && framing->getLastSelectedIndex().has_value();
}

void TableCursor::unframe() const {
    if (const ScaleSpaceDelegate* framing = delegate()) {
        framing->setLastSelectedIndex(std::optional<QModelIndex>());
    }
}

TableCursor::Cell TableCursor::remember() const {
    Cell cell;
    const QItemSelectionModel* selection = table->selectionModel();
    cell.hadSelection = selection != nullptr && selection->hasSelection();
    if (cell.hadSelection) {
        cell.current = selection->selectedIndexes().constFirst();
    }
    if (const ScaleSpaceDelegate* framing = delegate()) {
        cell.last = framing->getLastSelectedIndex();
    }
    return cell;
}

void TableCursor::keepCurrentCell(const std::function<void()>& change) {
    // Taken before the change, which may reset the model.
    const Cell cell = remember();
    change();
    if (cell.hadSelection) {
        select(cell.current, cell.last);
    }
}

void TableCursor::select(const QModelIndex& index, const std::optional<QModelIndex>& previous) {
    QItemSelectionModel* selection = table->selectionModel();
    const int range = table->model() != nullptr ? table->model()->rowCount() : 0;
    if (index.isValid() && index.row() < range && index.column() < range) {
        table->setFocus(Qt::OtherFocusReason);
        table->setCurrentIndex(index);
        table->scrollTo(index, QAbstractItemView::EnsureVisible);
        if (selection != nullptr) {
            selection->select(index, QItemSelectionModel::Current);
        }
        if (previous) {
            table->update(*previous);
        }
        return;
    }
    if (selection != nullptr) {
        selection->select(index, QItemSelectionModel::Deselect);
    }
    unframe();
}

void TableCursor::reset() {
    unframe();
    if (QItemSelectionModel* selection = table->selectionModel()) {
        selection->clearSelection();
    }
    table->setCurrentIndex(QModelIndex());
}

void TableCursor::moveByPeriods(const int& rows, const int& columns, const int& noteCount) {
    const QModelIndex current = table->currentIndex();
    const int row = current.row() + rows * noteCount;
    const int column = current.column() + columns * noteCount;
    const int range = table->model() != nullptr ? table->model()->rowCount() : 0;
    if (current.isValid() && hasFramedCell() && row >= 0 && column >= 0 && row < range &&
        column < range) {
        select(table->model()->index(row, column), current);
    }
}
