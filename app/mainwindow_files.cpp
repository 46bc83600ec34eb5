// Choosing, opening and saving scale spaces.
// Declared in mainwindow.h and defined with a later change: notesToSave, makeAdjustedRange
// and isInLibraryFolder.

#include "app/mainwindow.h"

#include "storage/dbcurrnet.h"

// Placeholder: the behaviour arrives with a later change.
void MainWindow::changeScaleSpace(const QString&) {}

// Placeholder: the behaviour arrives with a later change.
void MainWindow::changeDatabase(const QString&, const std::unique_ptr<dbCurrnet>&, const bool&) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleScaleSpaceActivated(QString) {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleSaveSubScaleSpace() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleSaveSubScaleSpaceAs() {}

// Placeholder: this handler's behaviour arrives with a later change.
void MainWindow::handleCurrentUrlChanged(QUrl) {}
