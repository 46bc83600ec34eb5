#pragma once

#include "core/scalespace.h"
#include "storage/scalespaceread.h"

#include <QSqlDatabase>
#include <QString>

#include <atomic>

// One scale space file: an SQLite database with a single table `matrix` holding the size
// pattern cell by cell as scientific text. Each instance owns its own connection, registered
// under a fresh UUID, so any number of instances may be alive at once, also on one file.
// Created and opened only through dbManager; destroying it closes the file.
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

    QString filePath;
    QString connectionName;
    QSqlDatabase database;
};
