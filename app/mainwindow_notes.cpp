// Note editing, selection and fixing from the table headers.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/editing/edithistory.h"

#include "app/editing/noteshifts.h"
#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/tablecursor.h"

#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QStringList>
#include <QTableView>

#include <algorithm>

namespace {

bool contains(const std::vector<int>& notes, const int& note) {
    return std::find(notes.begin(), notes.end(), note) != notes.end();
}

void removeAll(std::vector<int>& notes, const int& note) {
    notes.erase(std::remove(notes.begin(), notes.end(), note), notes.end());
}

} // namespace

void MainWindow::keepCurrentCell(const std::function<void()>& change) {
    cursor->keepCurrentCell(change);
}

void MainWindow::handleAddNote(int noteToAdd, bool cameFromAddBefore) {
    const int count = scaleSpace.noteCount();
    if (count < 1 || noteToAdd < 0) {
        return;
    }
    int position = noteToAdd % count;
    // "Insert after" the last note of a repetition appends to the scale space rather than
    // inserting before note 0.
    if (!cameFromAddBefore && noteToAdd != 0 && position == 0) {
        position = count;
    }
    const EditHistory::Scope edit(history, tr("Insert Note"));

    const int range = model->getRange();
    if (position < range) {
        // Every repetition shown stays shown, with the copies of the new note inside it.
        ui->rangeSpinBox->setValue(postAddNoteShift(position, range - 1, count) + 1);
    }
    scaleSpace.addNote(position, {});
    model->reset();

    for (int& note : selectedNotes) {
        note = postAddNoteShift(position, note, count);
    }
    // At the largest range the table cannot grow with the notes: those moved past it go, as
    // the fixed notes do.
    while (!selectedNotes.empty() && selectedNotes.back() >= model->getRange()) {
        selectedNotes.pop_back();
    }
    updateSelectionBox();

    std::vector<int> fixed;
    for (const int note : model->getFixedNotes()) {
        // Note 0 is the reference, never a fixed note; moved up it would become one.
        if (note != 0) {
            fixed.push_back(postAddNoteShift(position, note, count));
        }
    }
    model->setFixedNotes(fixed);

    // Last, as storing the fixed notes resets the model once more.
    const ScaleSpaceDelegate* delegate = tableDelegate();
    const std::optional<QModelIndex> last =
        delegate != nullptr ? delegate->getLastSelectedIndex() : std::nullopt;
    if (last) {
        postModelResetSelect(model->index(postAddNoteShift(position, last->row(), count),
                                          postAddNoteShift(position, last->column(), count)),
                             last);
    }
}

void MainWindow::handleDeleteNote(int noteToDelete) {
    const int count = scaleSpace.noteCount();
    // The scale space keeps at least one note: every note formula divides by the count.
    if (count < 2 || noteToDelete < 0) {
        return;
    }
    const int position = scaleSpace.getBaseNote(noteToDelete);
    const EditHistory::Scope edit(history, tr("Delete Note"));
    const QItemSelectionModel* selection = ui->scaleSpaceTable->selectionModel();
    const QModelIndex current = selection != nullptr && selection->hasSelection()
                                    ? selection->selectedIndexes().constFirst()
                                    : QModelIndex();
    // Taken before the range shrinks, which would drop notes that survive the deletion.
    const std::vector<int> selectedBefore = selectedNotes;
    const std::vector<int> fixedBefore = model->getFixedNotes();

    scaleSpace.removeNote(noteToDelete);
    const int range = model->getRange();
    if (position < range) {
        ui->rangeSpinBox->setValue(range - 1 - (range - 1 - position) / count);
    }
    model->reset();

    selectedNotes = afterRemoval(selectedBefore, position, count);
    updateSelectionBox();
    model->setFixedNotes(afterRemoval(fixedBefore, position, count));

    // Last, as storing the fixed notes resets the model once more.
    const auto isCopy = [position, count](const int& note) {
        return (note - position) % count == 0;
    };
    if (current.isValid() && !isCopy(current.row()) && !isCopy(current.column())) {
        postModelResetSelect(model->index(postRemoveNoteShift(position, current.row(), count),
                                          postRemoveNoteShift(position, current.column(), count)),
                             current);
    } else {
        cursor->unframe();
    }
}

void MainWindow::handleHeaderLeftClicked(const int& clickedNote) {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    const bool fixing = modifiers.testFlag(Qt::ShiftModifier);
    if (fixing && clickedNote == 0) {
        return;
    }
    std::vector<int> notes;
    if (modifiers.testFlag(Qt::ControlModifier)) {
        const int count = std::max(1, scaleSpace.noteCount());
        const int range = model->getRange();
        for (int note = scaleSpace.getBaseNote(clickedNote); note < range; note += count) {
            notes.push_back(note);
        }
    } else {
        notes.push_back(clickedNote);
    }
    // The clicked note decides the direction for all of them.
    if (fixing) {
        fixNotes(notes, !contains(model->getFixedNotes(), clickedNote));
    } else {
        selectNotes(notes, !contains(selectedNotes, clickedNote));
    }
}

void MainWindow::selectNotes(const std::vector<int>& notes, const bool& select) {
    keepCurrentCell([this, &notes, &select] {
        const int range = model->getRange();
        for (const int note : notes) {
            if (!select) {
                removeAll(selectedNotes, note);
            } else if (note >= 0 && note < range && !contains(selectedNotes, note)) {
                selectedNotes.push_back(note);
            }
        }
        std::sort(selectedNotes.begin(), selectedNotes.end());
        updateSelectionBox();
    });
}

void MainWindow::fixNotes(const std::vector<int>& notes, const bool& fix) {
    std::vector<int> fixed = model->getFixedNotes();
    ScaleSpaceDelegate* delegate = tableDelegate();
    const TableCursor::Cell cell = cursor->remember();

    bool lastEmptied = false;
    for (const int note : notes) {
        if (!fix) {
            removeAll(fixed, note);
            continue;
        }
        if (!contains(fixed, note)) {
            fixed.push_back(note);
        }
        // The framed cell is about to be disabled: it cannot stay current.
        const std::optional<QModelIndex> framed =
            delegate != nullptr ? delegate->getLastSelectedIndex() : std::nullopt;
        if (framed && framed->row() != 0 && framed->column() != 0 &&
            (framed->row() == note || framed->column() == note)) {
            delegate->setLastSelectedIndex(std::optional<QModelIndex>());
            lastEmptied = true;
        }
    }
    model->setFixedNotes(fixed);
    if (cell.hadSelection && !lastEmptied) {
        postModelResetSelect(cell.current, cell.last);
    }
}

void MainWindow::handleFillSelection() {
    const int range = model->getRange();
    selectedNotes.resize(std::size_t(std::max(0, range)));
    for (int note = 0; note < range; ++note) {
        selectedNotes[std::size_t(note)] = note;
    }
    updateSelectionBox();
}

void MainWindow::handleClearSelection() {
    selectedNotes.clear();
    ui->selectionBox->clear();
}

void MainWindow::handleFixAll() {
    ScaleSpaceDelegate* delegate = tableDelegate();
    const TableCursor::Cell cell = cursor->remember();

    // Every cell outside row 0 and column 0 is about to be disabled.
    const bool lastDisabled = cell.last && cell.last->row() != 0 && cell.last->column() != 0;
    if (lastDisabled) {
        delegate->setLastSelectedIndex(std::optional<QModelIndex>());
    }
    model->fixAllNotes();
    // Fixing all notes does not notify the view; storing the same list again does, so that
    // the table shows the disabled cells at once.
    model->setFixedNotes(model->getFixedNotes());
    if (cell.hadSelection && !lastDisabled) {
        postModelResetSelect(cell.current, cell.last);
    }
}

void MainWindow::handleUnfixAll() {
    // Unfixing disables no cell, so the current cell stays.
    keepCurrentCell([this] { model->setFixedNotes({}); });
}

void MainWindow::updateSelectionBox() {
    ui->selectionBox->clear();
    // The headers mark the selected notes too.
    ui->scaleSpaceTable->horizontalHeader()->viewport()->update();
    ui->scaleSpaceTable->verticalHeader()->viewport()->update();
    if (selectedNotes.empty()) {
        return;
    }
    QStringList numbers;
    numbers.reserve(int(selectedNotes.size()));
    for (const int note : selectedNotes) {
        numbers << QString::number(note + 1);
    }
    ui->selectionBox->appendPlainText(QStringLiteral("Selection: ") +
                                      numbers.join(QStringLiteral(", ")));
}

void MainWindow::resetSelection() {
    cursor->reset();
}

void MainWindow::postModelResetSelect(const QModelIndex& index,
                                      const std::optional<QModelIndex>& previous) {
    cursor->select(index, previous);
}
