// Making a tuning in the background.
// Declared in mainwindow.h and defined with a later change: makeCutoffValue,
// makeSubIntervalsPattern and makeNumberText.

#include "app/mainwindow.h"

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleMakeClicked() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleCancelClicked() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleClearClicked() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::startMaking() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::cancelMaking() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::makingTuningFinished() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::clearTemperamentBox() {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::displayTuning() {}
