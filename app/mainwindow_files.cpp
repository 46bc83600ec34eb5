// Choosing, opening and saving scale spaces.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/editing/edithistory.h"
#include "app/shared/storageconstants.h"
#include "app/widgets/customheaderview.h"
#include "app/widgets/scalespacedelegate.h"
#include "storage/dbcurrnet.h"
#include "storage/dbmanager.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int clampedToInt(const double& value) {
    return int(std::clamp(value, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

// Links and relative names resolved where the files exist; two missing files are the same
// only under the same absolute name.
bool isSameFile(const QString& first, const QString& second) {
    const QFileInfo one(first);
    const QFileInfo other(second);
    const QString canonical = one.canonicalFilePath();
    if (!canonical.isEmpty() || !other.canonicalFilePath().isEmpty()) {
        return canonical == other.canonicalFilePath();
    }
    return QDir::cleanPath(one.absoluteFilePath()) == QDir::cleanPath(other.absoluteFilePath());
}

void enableDeleteNote(const QTableView* table, const bool& enabled) {
    for (QHeaderView* header : {table->horizontalHeader(), table->verticalHeader()}) {
        if (auto* custom = qobject_cast<CustomHeaderView*>(header)) {
            custom->enableAction(QStringLiteral("delNote"), enabled);
        }
    }
}

QString scaleSpacesFilter() {
    return "Scale Spaces (*." + fileExtension + ")";
}

} // namespace

int makeAdjustedRange(const int& range, const int& oldCount, const int& newCount) {
    if (oldCount == newCount) {
        return range;
    }
    if (oldCount <= 0 || newCount <= 0) {
        // No period to keep in step with: one period of the new space and the repetition of
        // its note 0, as a scale space is first shown.
        return std::max(0, newCount) + 1;
    }
    const int periods = range / oldCount;
    if (range - periods * oldCount == 1) {
        // Whole periods and the first note of the next: the same for the new space.
        return clampedToInt(double(periods) * newCount + 1);
    }
    const float scaled = float(newCount) * float(range) / float(oldCount);
    return clampedToInt(newCount > oldCount ? std::floor(scaled) : std::ceil(scaled));
}

bool isInLibraryFolder(const QUrl& url) {
    const QString file = QFileInfo(url.toLocalFile()).canonicalFilePath();
    const QString library = QFileInfo(pitchSpacesPath).canonicalFilePath();
    if (file.isEmpty() || library.isEmpty()) {
        return false;
    }
    const QDir libraryFolder(library);
    QDir folder = QFileInfo(file).dir();
    while (folder != libraryFolder) {
        if (!folder.cdUp()) {
            return false;
        }
    }
    return true;
}

std::vector<int> MainWindow::notesToSave() const {
    if (!selectedNotes.empty()) {
        return selectedNotes;
    }
    std::vector<int> notes(std::size_t(std::max(0, model->getRange())));
    for (std::size_t note = 0; note < notes.size(); ++note) {
        notes[note] = int(note);
    }
    return notes;
}

bool MainWindow::showSizePattern(const QString& name, const SizePattern& pattern,
                                 const bool& adjustRange) {
    // A file without notes would leave an empty space, on which no note arithmetic works: it
    // is treated like a file that cannot be opened.
    if (pattern.empty() || !ScaleSpace::isValidPattern(pattern)) {
        return false;
    }
    resetSelection();
    selectedNotes.clear();
    ui->selectionBox->clear();
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
    enableDeleteNote(ui->scaleSpaceTable, scaleSpace.noteCount() > 1);
    return true;
}

bool MainWindow::openScaleSpaceFile(const QString& path, const bool& announceAlways) {
    // Read-only: a missing, foreign or damaged file is left exactly as it was.
    const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path);
    dbManager::ReadFailure failure = read.failure;
    if (failure == dbManager::ReadFailure::None && !ScaleSpace::isValidPattern(read.pattern)) {
        failure = dbManager::ReadFailure::Damaged;
    }
    if (failure != dbManager::ReadFailure::None) {
        statusBar()->showMessage(
            tr("Cannot open %1: %2.")
                .arg(QDir::toNativeSeparators(path), dbManager::describeReadFailure(failure)));
        return false;
    }
    // Announced only once the file is certain to be shown: the current file is always the
    // one whose notes the table shows, so "Save" never writes into another.
    if (announceAlways || !isSameFile(currentUrl.toLocalFile(), path)) {
        emit currentUrlChanged(QUrl::fromLocalFile(path));
    }
    return showSizePattern(QFileInfo(path).baseName(), read.pattern, true);
}

void MainWindow::showEntryOfCurrentFile() {
    const QSignalBlocker blocker(ui->scaleSpaceCombo);
    ui->scaleSpaceCombo->setCurrentText(isInLibraryFolder(currentUrl) ? scaleSpace.getName()
                                                                      : customEntry);
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
        isSameFile(currentUrl.toLocalFile(), libraryFile)) {
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
        const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Open File"),
                                                            dialogFolder(), scaleSpacesFilter());
        // The chosen file itself is opened, whatever its suffix, so that it is the file shown.
        if (chosen.isEmpty() || !openScaleSpaceFile(QFileInfo(chosen).absoluteFilePath(), false)) {
            // Cancelled or unusable: the entry goes back to the scale space still shown.
            showEntryOfCurrentFile();
        } else {
            rememberFile(chosen);
        }
        return;
    }

    if (!openScaleSpaceFile(libraryFile, false)) {
        showEntryOfCurrentFile();
    }
}

void MainWindow::handleCurrentUrlChanged(QUrl newUrl) {
    currentUrl = newUrl;
    ui->saveButton->setEnabled(!isInLibraryFolder(newUrl));
}

bool MainWindow::saveNotesInto(const QString& path) {
    const std::vector<int> notes = notesToSave();
    bool saved = false;
    // A single note makes no scale space: its pattern would be empty, the file lost.
    if (notes.size() >= 2) {
        const std::unique_ptr<dbCurrnet> db = dbManager::openDatabase(QUrl::fromLocalFile(path));
        saved = db && db->savePattern(scaleSpace.makeSubSizePattern(notes));
    }
    if (saved) {
        markSaved(path);
        statusBar()->showMessage(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
    } else {
        statusBar()->showMessage("Not saved: " + QDir::toNativeSeparators(path));
    }
    return saved;
}

void MainWindow::handleSaveSubScaleSpace() {
    if (!currentUrl.isValid() || !ui->saveButton->isEnabled()) {
        handleSaveSubScaleSpaceAs();
        return;
    }
    if (const ScaleSpaceDelegate* delegate = tableDelegate()) {
        delegate->setLastSelectedIndex(std::optional<QModelIndex>());
    }
    // The window goes on showing the whole scale space, also when only some notes were saved.
    saveNotesInto(currentUrl.toLocalFile());
}

void MainWindow::handleSaveSubScaleSpaceAs() {
    if (!ui->saveAsButton->isEnabled()) {
        return;
    }
    if (const ScaleSpaceDelegate* delegate = tableDelegate()) {
        delegate->setLastSelectedIndex(std::optional<QModelIndex>());
    }
    QFileDialog dialog(this, QStringLiteral("Save File"), dialogFolder(), QString());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(scaleSpacesFilter());
    dialog.setDefaultSuffix(fileExtension);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QList<QUrl> urls = dialog.selectedUrls();
    const QUrl url = urls.isEmpty() ? QUrl() : urls.constFirst();
    if (!url.isValid() || url.isEmpty() || !url.isLocalFile()) {
        return;
    }
    // The file written is the file shown afterwards and the one "Save" writes into, whatever
    // its suffix.
    const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
    const bool existed = QFileInfo::exists(path);
    if (!saveNotesInto(path)) {
        if (!existed) {
            // Opening created it; a failed save leaves nothing behind.
            QFile::remove(path);
        }
        return;
    }
    const SizePattern pattern = dbManager::readScaleSpace(path).pattern;
    if (pattern.empty() || !ScaleSpace::isValidPattern(pattern)) {
        return;
    }
    emit currentUrlChanged(QUrl::fromLocalFile(path));
    showSizePattern(QFileInfo(path).baseName(), pattern, true);
    ui->scaleSpaceCombo->setCurrentIndex(
        ui->scaleSpaceCombo->findText(customEntry, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void applyCommandLine(MainWindow& window, const QStringList& arguments) {
    if (arguments.size() < 2) {
        return;
    }
    // A Scala scale is imported, as File > Import Scala... does.
    if (QFileInfo(arguments.at(1)).suffix().compare(QStringLiteral("scl"), Qt::CaseInsensitive) ==
        0) {
        window.importScala(arguments.at(1));
    } else {
        window.changeScaleSpace(arguments.at(1));
    }
}
