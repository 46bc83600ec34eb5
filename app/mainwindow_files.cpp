// Choosing, opening and saving scale spaces.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/document/scalespacedocument.h"
#include "app/editing/edithistory.h"
#include "app/making/tuningjob.h"
#include "app/output/tuningoutput.h"
#include "app/shared/storageconstants.h"
#include "app/table/scalespaceeditor.h"
#include "app/table/workbinding.h"
#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/tablecursor.h"

#include <QFileInfo>
#include <QSignalBlocker>
#include <QStatusBar>

#include <algorithm>

bool MainWindow::showSizePattern(const QString& name, const SizePattern& pattern,
                                 const bool& adjustRange) {
    // A file without notes would leave an empty space, on which no note arithmetic works: it
    // is treated like a file that cannot be opened.
    if (pattern.empty() || !ScaleSpace::isValidPattern(pattern)) {
        return false;
    }
    resetSelection();
    editor->clearSelection();
    model->setFixedNotes({});

    const int oldCount = scaleSpace.noteCount();
    scaleSpace.setScaleSpace(name, pattern);
    if (adjustRange) {
        ui->rangeSpinBox->setValue(
            makeAdjustedRange(model->getRange(), oldCount, scaleSpace.noteCount()));
    }
    setWindowTitle(name + "[*] - " + appName);
    // Another space: nothing before it can be undone, and it is as its file holds it.
    if (history != nullptr) {
        history->clear();
    }
    model->reset();
    // A single note is all a scale space can be left with; a deletion would empty it.
    editor->refreshDeleteNote();
    return true;
}

bool MainWindow::openScaleSpaceFile(const QString& path, const bool& announceAlways) {
    const std::optional<dbManager::ScaleSpaceRead> read = document->readWork(path);
    if (!read) {
        return false;
    }
    // Announced only once the file is certain to be shown: the current file is always the
    // one whose notes the table shows, so "Save" never writes into another.
    if (announceAlways || !isSameFile(document->currentUrl().toLocalFile(), path)) {
        emit currentUrlChanged(QUrl::fromLocalFile(path));
    }
    forgetTuning();
    const QString name = QFileInfo(path).baseName();
    if (!showSizePattern(name, read->pattern, true)) {
        return false;
    }
    work->apply(*read, name);
    return true;
}

void MainWindow::forgetTuning() {
    // A tuning belongs to the space it was made from; a search of it is stopped.
    cancelMaking();
    output->clear();
    ui->makeProgressBar->setValue(0);
}

void MainWindow::showEntryOfCurrentFile() {
    const QSignalBlocker blocker(ui->scaleSpaceCombo);
    ui->scaleSpaceCombo->setCurrentText(
        isInLibraryFolder(document->currentUrl()) ? scaleSpace.getName() : customEntry);
}

void MainWindow::changeScaleSpace(const QString& path) {
    if (openScaleSpaceFile(path, true)) {
        showEntryOfCurrentFile();
    }
}

void MainWindow::handleScaleSpaceActivated(QString itemName) {
    const QString libraryFile = makeFilePath(itemName, pitchSpacesPath);
    // The entry of the scale space shown: nothing is loaded and no edit is lost. A file of
    // the same name outside the library is not that entry.
    if (itemName != customEntry && itemName == scaleSpace.getName() &&
        isSameFile(document->currentUrl().toLocalFile(), libraryFile)) {
        const ScaleSpaceDelegate* delegate = tableDelegate();
        if (delegate != nullptr) {
            if (const std::optional<QModelIndex> last = delegate->getLastSelectedIndex()) {
                postModelResetSelect(*last, std::nullopt);
            }
        }
        return;
    }

    // Unsaved edits are saved or discarded first, or nothing else is shown.
    if (!maybeSave()) {
        showEntryOfCurrentFile();
        return;
    }
    if (itemName == customEntry) {
        const QString chosen = document->chooseFileToOpen();
        if (chosen.isEmpty() || !openScaleSpaceFile(chosen, false)) {
            // Cancelled or unusable: the entry goes back to the scale space still shown.
            showEntryOfCurrentFile();
        } else {
            document->rememberFile(chosen);
        }
        return;
    }

    // The box names the space shown, also when the Save question chose a file of its own.
    openScaleSpaceFile(libraryFile, false);
    showEntryOfCurrentFile();
}

void MainWindow::handleCurrentUrlChanged(QUrl newUrl) {
    document->setCurrentUrl(newUrl);
    ui->saveButton->setEnabled(!isInLibraryFolder(newUrl));
}

bool MainWindow::saveNotesInto(const QString& path) {
    // A single note makes no scale space: its empty pattern is refused, the file kept.
    const auto [pattern, extras] = work->fileContents(notesToSave());
    return document->write(path, pattern, extras);
}

void MainWindow::handleSaveSubScaleSpace() {
    if (!document->currentUrl().isValid() || !ui->saveButton->isEnabled()) {
        handleSaveSubScaleSpaceAs();
        return;
    }
    cursor->unframe();
    // The window goes on showing the whole scale space, also when only some notes were saved.
    saveNotesInto(document->currentUrl().toLocalFile());
}

void MainWindow::handleSaveSubScaleSpaceAs() {
    if (!ui->saveAsButton->isEnabled()) {
        return;
    }
    cursor->unframe();
    // The file written is the file shown afterwards and the one "Save" writes into.
    const QString path = document->chooseFileToSave();
    if (path.isEmpty()) {
        return;
    }
    const auto [pattern, extras] = work->fileContents(notesToSave());
    const std::optional<dbManager::ScaleSpaceRead> written =
        document->writeNew(path, pattern, extras);
    if (!written) {
        return;
    }
    emit currentUrlChanged(QUrl::fromLocalFile(path));
    const QString name = QFileInfo(path).baseName();
    showSizePattern(name, written->pattern, true);
    // The work comes back in the numbering of the notes kept; a search still running keeps
    // its place in the output.
    if (!job->isRunning()) {
        output->clear();
        work->apply(*written, name);
    }
    ui->scaleSpaceCombo->setCurrentIndex(
        ui->scaleSpaceCombo->findText(customEntry, Qt::MatchExactly | Qt::MatchCaseSensitive));
}
