#pragma once

#include "core/scalespace.h"
#include "storage/scalespaceread.h"

#include <QSqlDatabase>
#include <QString>

#include <atomic>

// One scale space file: an SQLite database whose table `matrix` holds the size pattern cell by
// cell as scientific text. Two optional tables keep the rest of the work: `weights` (typed
// weights, shaped like `matrix`) and `state` (key and text rows for the window's settings and
// the last tuning). A reader that knows only `matrix` reads the same sizes. Each instance owns its
// own connection, registered under a fresh UUID, so any number of instances may be alive at once,
// also on one file. Created and opened only through dbManager; destroying it closes the file. A
// size or weight as the file writes it: scientific text that reads back as the same number.
QString storedValueText(const long double& value);

class dbCurrnet {
public:
    // The largest row or column index a file may hold: the range is at most 1024 notes, so a
    // saved pattern never has more than 1023 rows. Larger indices mark a damaged file.
    static constexpr int indexLimit = 1024;

    explicit dbCurrnet(const QString& path);
    ~dbCurrnet();

    dbCurrnet(const dbCurrnet&) = delete;
    dbCurrnet& operator=(const dbCurrnet&) = delete;

    // Opens (creating it if missing) the file and makes sure it has the table. False when the
    // file cannot be opened or is not a database; an instance opens at most once.
    bool open();
    // Opens an existing file without ever creating, growing or changing it; only reading
    // follows. False when the file cannot be opened.
    bool openReadOnly();
    // Opens an existing file for reading such that SQLite may roll back or replay the journal
    // beside it: only for a private copy, never for the user's file.
    bool openForRecovery();
    bool createTables();
    // Replaces the stored pattern as a whole: on any failure the file keeps its former
    // contents and the result is false.
    bool savePattern(const SizePattern& pattern);
    // As savePattern, with the typed weights and state rows beside it; empty extras leave the
    // file holding `matrix` only.
    bool saveWork(const SizePattern& pattern, const dbManager::StoredExtras& extras);
    // The stored pattern; empty when the table is empty, cannot be read or is damaged.
    SizePattern loadPattern();
    // The stored pattern, or why there is none. Bounded in time and memory whatever the file
    // holds: `matrix` must be a plain table, long values and surplus rows are refused unread.
    // `interrupt`, when given, is polled between rows.
    dbManager::ScaleSpaceRead readPattern(const std::atomic<bool>* interrupt = nullptr);

private:
    // Registers the connection and opens it; false when it cannot be opened. An instance
    // registers once, and answers later calls with whether it is open.
    bool openConnection(const QString& databaseName, const QString& options);
    // Reads the optional tables into the result; what is damaged or foreign is left out and
    // flagged, never a reason to refuse the sizes.
    void readExtras(dbManager::ScaleSpaceRead& read, const std::atomic<bool>* interrupt);
    bool readWeights(std::vector<dbManager::StoredWeight>& weights,
                     const std::atomic<bool>* interrupt);
    bool readState(std::vector<std::pair<QString, QString>>& state);
    bool writeExtras(const dbManager::StoredExtras& extras);

    QString filePath;
    QString connectionName;
    QSqlDatabase database;
};
