// Note editing, selection and fixing from the table headers: forwards to the editor.

#include "app/mainwindow.h"

#include "app/table/scalespaceeditor.h"
#include "app/widgets/tablecursor.h"

void MainWindow::handleAddNote(int noteToAdd, bool cameFromAddBefore) {
    editor->addNote(noteToAdd, cameFromAddBefore);
}

void MainWindow::handleDeleteNote(int noteToDelete) {
    editor->deleteNote(noteToDelete);
}

void MainWindow::handleHeaderLeftClicked(const int& clickedNote) {
    editor->headerClicked(clickedNote);
}

void MainWindow::selectNotes(const std::vector<int>& notes, const bool& select) {
    editor->selectNotes(notes, select);
}

void MainWindow::fixNotes(const std::vector<int>& notes, const bool& fix) {
    editor->fixNotes(notes, fix);
}

void MainWindow::handleFillSelection() {
    editor->fillSelection();
}

void MainWindow::handleClearSelection() {
    editor->clearSelection();
}

void MainWindow::handleFixAll() {
    editor->fixAll();
}

void MainWindow::handleUnfixAll() {
    editor->unfixAll();
}

void MainWindow::updateSelectionBox() {
    editor->updateSelectionBox();
}

void MainWindow::resetSelection() {
    cursor->reset();
}

void MainWindow::postModelResetSelect(const QModelIndex& index,
                                      const std::optional<QModelIndex>& previous) {
    cursor->select(index, previous);
}

std::vector<int> MainWindow::notesToSave() const {
    return editor->notesToSave();
}

QString MainWindow::makeTooltipText(const QModelIndex& index) {
    return editor->tooltipText(index);
}
