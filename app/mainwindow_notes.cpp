// Note editing, selection and fixing from the table headers.
// Declared in mainwindow.h and defined with a later change: postAddNoteShift and
// postRemoveNoteShift.

#include "app/mainwindow.h"

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleAddNote(int, bool) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleDeleteNote(int) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleFillSelection() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleClearSelection() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleFixAll() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleUnfixAll() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleHeaderLeftClicked(const int&) {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::selectNotes(const std::vector<int>&, const bool&) {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::fixNotes(const std::vector<int>&, const bool&) {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::updateSelectionBox() {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::resetSelection() {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::postModelResetSelect(const QModelIndex&, const std::optional<QModelIndex>&) {}
