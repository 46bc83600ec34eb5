#pragma once

// The file life-cycle of the scale space shown: which file it is, reading and writing it,
// Scala import, the modified state (the undo stack's clean state), the recent files and the
// question before unsaved edits are lost. It knows nothing of the table: the window asks it and
// shows what it says.

#include "core/scalespace.h"
#include "storage/scalespaceread.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class QMenu;
class QUndoStack;
class QWidget;

// Whether the file lies in the library folder or a folder below it.
bool isInLibraryFolder(const QUrl& url);
// Links and relative names resolved where the files exist; two missing files are the same
// only under the same absolute name.
bool isSameFile(const QString& first, const QString& second);

class ScaleSpaceDocument : public QObject {
    Q_OBJECT

public:
    // The dialogs are shown over the window; the stack's clean state is the modified state.
    ScaleSpaceDocument(QWidget* window, QUndoStack* stack, const QUrl& initialUrl);

    // The file shown; empty for a space of no file (an import not saved yet).
    QUrl currentUrl() const { return url; }
    void setCurrentUrl(const QUrl& newUrl) { url = newUrl; }
    // "Save" writes into the current file: there is one, outside the library folder.
    bool savesInPlace() const;
    bool isModified() const;

    // The valid size pattern of the file; nothing, with a status line, when it cannot be read.
    // The file is only read, never created or changed.
    std::optional<SizePattern> read(const QString& path);
    // The same with the work the file keeps beside the sizes; what of that is unreadable is
    // left out, with a status line.
    std::optional<dbManager::ScaleSpaceRead> readWork(const QString& path);
    // Writes the pattern (and the work kept with it) into the file whole; an empty pattern is
    // refused. On success the space is unmodified and the file heads the recent files. Either
    // way a status line.
    bool write(const QString& path, const SizePattern& pattern,
               const dbManager::StoredExtras& extras = dbManager::StoredExtras());
    // Save As: writes them into the file; what the file now holds.
    std::optional<dbManager::ScaleSpaceRead> writeNew(const QString& path,
                                                      const SizePattern& pattern,
                                                      const dbManager::StoredExtras& extras);
    // The size pattern of a Scala scale; nothing, with a status line, when it cannot be read.
    std::optional<SizePattern> readScala(const QString& path);
    // An imported space exists in no file yet: it is modified until saved.
    void markImported(const QString& path);

    // Asks whether to save unsaved edits of the named space; false when the user cancels or the
    // save (through saveRequested) did not leave the space unmodified.
    bool maybeSave(const QString& name);

    // The file dialogs: an absolute path, or empty when cancelled.
    QString chooseFileToOpen();
    QString chooseFileToSave();
    QString chooseScalaFile();
    // Where the file dialogs start: the folder last used, while it exists.
    QString dialogFolder() const;
    void rememberFile(const QString& path);
    // Fills the menu with the recent files whenever it opens; choosing one emits recentChosen.
    void attachRecentMenu(QMenu* menu);

signals:
    void modifiedChanged(bool modified);
    void statusMessage(const QString& text);
    // The answer "Save" to maybeSave: the window saves, as File > Save does.
    void saveRequested();
    void recentChosen(const QString& path);

private:
    QWidget* window;
    QUndoStack* stack;
    QUrl url;
};
