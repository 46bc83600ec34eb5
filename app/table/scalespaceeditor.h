#pragma once

#include <QModelIndex>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "app/editing/edithistory.h"
#include "tuning/weightfunctions.h"

class CustomHeaderView;
class EditHistory;
class QComboBox;
class WindowMenus;
class QPlainTextEdit;
class QSpinBox;
class QTableView;
class ScaleSpace;
class ScaleSpaceModel;
class TableCursor;

// Editing the scale space shown through its table: inserting and deleting notes, selecting and
// fixing them, and copying and pasting cells. Every edit is one step of the undo history, and
// the table keeps its current cell across it.
class ScaleSpaceEditor : public QObject {
    Q_OBJECT

public:
    struct Parts {
        ScaleSpace* space;
        ScaleSpaceModel* model;
        QTableView* table;
        QSpinBox* rangeBox;
        QPlainTextEdit* selectionBox;
        TableCursor* cursor;
        EditHistory* history;
        // The weight function box and the functions of its entries (not "Arbitrary").
        QComboBox* weightFunctionBox;
        std::vector<SizeToWeightFunction> weightFunctions;
    };
    explicit ScaleSpaceEditor(const Parts& parts);

    // The selected notes, ascending.
    const std::vector<int>& selectedNotes() const { return selected; }
    void setSelectedNotes(const std::vector<int>& notes);
    // The selected notes, or every table note when none is selected; ascending.
    std::vector<int> notesToSave() const;
    // Drops the selected notes the range no longer shows.
    void keepInRange(const int& range);

    void addNote(int noteToAdd, bool cameFromAddBefore);
    void deleteNote(int noteToDelete);
    // A click on a note's header: Shift fixes, Control takes the note in every period shown.
    void headerClicked(const int& clickedNote);
    void selectNotes(const std::vector<int>& notes, const bool& select);
    void fixNotes(const std::vector<int>& notes, const bool& fix);
    void fillSelection();
    void clearSelection();
    void fixAll();
    void unfixAll();
    void updateSelectionBox();
    // The headers offer "Delete Note" while the space has more than one note.
    void refreshDeleteNote() const;

    // The cell's interval: its notes, size as ratio and cents, and weight.
    QString tooltipText(const QModelIndex& index) const;
    // Pastes the clipboard's tab-separated lines at the cell.
    void paste(const QModelIndex& current);
    void copyCurrentCell() const;

    // The weight function box's entry: a function, or "Arbitrary" to type weights.
    void chooseWeightFunction(const int& index);
    // The header's clicks and menu entries select, fix, insert and delete notes.
    void attachHeader(CustomHeaderView* header);
    // The Edit and Tuning menus' note actions and the table's keys-only actions.
    void attachActions(const WindowMenus* menus);
    // Enables each of them exactly when it would act.
    void refreshActions(const WindowMenus* menus) const;
    // Another part that has the focus takes Edit > Copy: asked with false whether it would,
    // with true to copy. Cells are copied when it declines.
    void setCopyTaker(std::function<bool(bool)> taker) { copyTaker = std::move(taker); }
    // Cells are not edited while the table shows an overlay.
    bool cellsLocked() const;

    // What a search with this dial would read now, in a form that compares: equal exactly when
    // the search's input is.
    QByteArray fingerprint(const int& dial) const;
    // What an edit changes, for the undo history, and putting it back.
    EditState captureState() const;
    void applyState(const EditState& state);

private:
    ScaleSpace* space;
    ScaleSpaceModel* model;
    QTableView* table;
    QSpinBox* rangeBox;
    QPlainTextEdit* selectionBox;
    TableCursor* cursor;
    EditHistory* history;
    QComboBox* weightFunctionBox;
    std::vector<SizeToWeightFunction> weightFunctions;
    std::vector<int> selected;
    std::function<bool(bool)> copyTaker;
};
