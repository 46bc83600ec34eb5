#include "app/document/scalespacedocument.h"

#include "app/settings/settings.h"
#include "app/shared/appconstants.h"
#include "app/shared/storageconstants.h"
#include "storage/dbcurrnet.h"
#include "storage/dbmanager.h"
#include "storage/scalafile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUndoStack>

namespace {

QString scaleSpacesFilter() {
    return "Scale Spaces (*." + fileExtension + ")";
}

} // namespace

bool isSameFile(const QString& first, const QString& second) {
    const QFileInfo one(first);
    const QFileInfo other(second);
    const QString canonical = one.canonicalFilePath();
    if (!canonical.isEmpty() || !other.canonicalFilePath().isEmpty()) {
        return canonical == other.canonicalFilePath();
    }
    return QDir::cleanPath(one.absoluteFilePath()) == QDir::cleanPath(other.absoluteFilePath());
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

ScaleSpaceDocument::ScaleSpaceDocument(QWidget* window, QUndoStack* stack, const QUrl& initialUrl)
    : QObject(window), window(window), stack(stack), url(initialUrl) {
    connect(stack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
}

bool ScaleSpaceDocument::savesInPlace() const {
    return url.isValid() && !isInLibraryFolder(url);
}

bool ScaleSpaceDocument::isModified() const {
    return !stack->isClean();
}

std::optional<SizePattern> ScaleSpaceDocument::read(const QString& path) {
    std::optional<dbManager::ScaleSpaceRead> read = readWork(path);
    return read ? std::optional<SizePattern>(std::move(read->pattern)) : std::nullopt;
}

std::optional<dbManager::ScaleSpaceRead> ScaleSpaceDocument::readWork(const QString& path) {
    // Read-only: a missing, foreign or damaged file is left exactly as it was.
    dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path);
    dbManager::ReadFailure failure = read.failure;
    if (failure == dbManager::ReadFailure::None && !ScaleSpace::isValidPattern(read.pattern)) {
        failure = dbManager::ReadFailure::Damaged;
    }
    const QString shownPath = QDir::toNativeSeparators(path);
    if (failure != dbManager::ReadFailure::None) {
        emit statusMessage(
            tr("Cannot open %1: %2.").arg(shownPath, dbManager::describeReadFailure(failure)));
        return std::nullopt;
    }
    if (read.recovered) {
        emit statusMessage(tr("Opened %1 as it was before a save that was interrupted; the file "
                              "itself is unchanged.")
                               .arg(shownPath));
    }
    return read;
}

bool ScaleSpaceDocument::write(const QString& path, const SizePattern& pattern,
                               const dbManager::StoredExtras& extras) {
    // A file that is there but no scale space is the user's other work: it is not replaced.
    std::optional<QString> problem;
    if (QFileInfo::exists(path) &&
        dbManager::readScaleSpace(path).failure == dbManager::ReadFailure::NotScaleSpaceFile) {
        problem = dbManager::describeReadFailure(dbManager::ReadFailure::NotScaleSpaceFile);
    } else {
        problem = dbManager::writeScaleSpace(path, pattern, extras);
    }
    if (problem) {
        emit statusMessage("Not saved: " + QDir::toNativeSeparators(path) + ": " + *problem);
        return false;
    }
    stack->setClean();
    rememberFile(path);
    emit statusMessage(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

std::optional<dbManager::ScaleSpaceRead>
ScaleSpaceDocument::writeNew(const QString& path, const SizePattern& pattern,
                             const dbManager::StoredExtras& extras) {
    if (!write(path, pattern, extras)) {
        return std::nullopt;
    }
    dbManager::ScaleSpaceRead written = dbManager::readScaleSpace(path);
    if (written.pattern.empty() || !ScaleSpace::isValidPattern(written.pattern)) {
        return std::nullopt;
    }
    return written;
}

std::optional<SizePattern> ScaleSpaceDocument::readScala(const QString& path) {
    // A FIFO or a device would block in open() and never end: only files are read.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        emit statusMessage(
            tr("Cannot import %1: the file cannot be read.").arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    // The same limit as the command line's: far more than 1024 pitches with comments need.
    constexpr qint64 scalaSizeLimit = 4 * 1024 * 1024;
    if (file.size() > scalaSizeLimit) {
        emit statusMessage(tr("Cannot import %1: it is larger than 4 MB, too large for a Scala "
                              "file.")
                               .arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    const ScalaParseResult parsed = parseScala(QString::fromUtf8(file.readAll()));
    if (!parsed.scale) {
        emit statusMessage(
            tr("Cannot import %1: %2").arg(QDir::toNativeSeparators(path), parsed.error));
        return std::nullopt;
    }
    return scalaSizePattern(parsed.scale->pitches);
}

void ScaleSpaceDocument::markImported(const QString& path) {
    stack->resetClean();
    emit statusMessage(tr("Imported %1").arg(QDir::toNativeSeparators(path)));
}

bool ScaleSpaceDocument::maybeSave(const QString& name) {
    if (!isModified()) {
        return true;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(
        window, appName, tr("Save changes to %1?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard) {
        return true;
    }
    if (answer != QMessageBox::Save) {
        return false;
    }
    // Saved only when the space is unmodified afterwards: a cancelled or failed save keeps it.
    emit saveRequested();
    return !isModified();
}

QString ScaleSpaceDocument::chooseFileToOpen() {
    const QString chosen = QFileDialog::getOpenFileName(window, QStringLiteral("Open File"),
                                                        dialogFolder(), scaleSpacesFilter());
    // The chosen file itself is opened, whatever its suffix, so that it is the file shown.
    return chosen.isEmpty() ? QString() : QFileInfo(chosen).absoluteFilePath();
}

QString ScaleSpaceDocument::chooseFileToSave() {
    QFileDialog dialog(window, QStringLiteral("Save File"), dialogFolder(), QString());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(scaleSpacesFilter());
    dialog.setDefaultSuffix(fileExtension);
    if (dialog.exec() != QDialog::Accepted) {
        return QString();
    }
    const QList<QUrl> urls = dialog.selectedUrls();
    const QUrl chosen = urls.isEmpty() ? QUrl() : urls.constFirst();
    if (!chosen.isValid() || chosen.isEmpty() || !chosen.isLocalFile()) {
        return QString();
    }
    // The file written is the file shown afterwards, whatever its suffix.
    return QFileInfo(chosen.toLocalFile()).absoluteFilePath();
}

QString ScaleSpaceDocument::chooseScalaFile() {
    return QFileDialog::getOpenFileName(window, tr("Import Scala"), dialogFolder(),
                                        tr("Scala scales (*.scl)"));
}

QString ScaleSpaceDocument::dialogFolder() const {
    // The folder last used, while it still exists; otherwise where the program was started.
    const QString folder = Settings::instance().lastFolder();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::currentPath();
}

void ScaleSpaceDocument::rememberFile(const QString& path) {
    Settings::instance().addRecentFile(path);
}

void ScaleSpaceDocument::attachRecentMenu(QMenu* menu) {
    const auto fill = [this, menu] {
        menu->clear();
        for (const QString& file : Settings::instance().recentFiles()) {
            QAction* action = menu->addAction(QDir::toNativeSeparators(file));
            connect(action, &QAction::triggered, this, [this, file] { emit recentChosen(file); });
        }
        menu->setEnabled(!menu->isEmpty());
    };
    // Filled at once and whenever a file is opened or saved, so that a disabled menu, which
    // never opens, comes to life with the first file.
    fill();
    connect(&Settings::instance(), &Settings::recentFilesChanged, menu, fill);
    connect(menu, &QMenu::aboutToShow, this, fill);
}
