#pragma once

#include <QModelIndex>
#include <QObject>

#include <functional>
#include <optional>

class QTableView;
class ScaleSpaceDelegate;

// The interval table's current cell and the delegate's framed cell, kept across the model
// resets that every change of the scale space makes.
class TableCursor : public QObject {
    Q_OBJECT

public:
    explicit TableCursor(QTableView* table);

    // The current cell and the framed cell, taken before a model reset.
    struct Cell {
        bool hadSelection = false;
        QModelIndex current;
        std::optional<QModelIndex> last;
    };
    Cell remember() const;

    // The table's delegate; null if the table has a delegate of another type.
    ScaleSpaceDelegate* delegate() const;
    bool hasFramedCell() const;
    // Forgets the framed cell.
    void unframe() const;

    // Runs the change, then makes the cell current again that was current before it.
    void keepCurrentCell(const std::function<void()>& change);
    // Makes the cell current, framed and visible after a reset, and repaints the cell framed
    // before; a cell outside the table is deselected and nothing stays framed.
    void select(const QModelIndex& index, const std::optional<QModelIndex>& previous);
    // No current, selected or framed cell.
    void reset();
    // The current cell moved by whole periods of this many notes, if the table reaches that
    // far, and only once a cell is framed.
    void moveByPeriods(const int& rows, const int& columns, const int& noteCount);

private:
    QTableView* table;
};
