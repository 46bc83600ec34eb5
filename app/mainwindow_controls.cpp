// The display and weighting controls.

#include "app/mainwindow.h"

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handlePrecisionChanged(const int&) {}

void MainWindow::handleRangeChanged(const int& range) {
    keepCurrentCell([this, range] { model->setRange(range); });
    if (!selectedNotes.empty()) {
        // The list is ascending: the notes no longer shown are its tail.
        while (!selectedNotes.empty() && selectedNotes.back() >= range) {
            selectedNotes.pop_back();
        }
        updateSelectionBox();
    }
}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleAttenuationChanged(int) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleCutoffChanged() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleWeightFuncChanged(const int&) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleChangeDisplay(const DisplayMode&) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleChangeSizeWeight(const IntervalMode&) {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::swapDisplayMode() {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::swapIntervalMode() {}
