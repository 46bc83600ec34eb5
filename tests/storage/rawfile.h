#pragma once

// A second connection to a scale space file, independent of the class under test, to see
// and to change what the file really holds.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

class RawFile {
public:
    explicit RawFile(const QString& path)
        : name(QUuid::createUuid().toString()),
          database(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name)) {
        database.setDatabaseName(path);
        database.open();
    }
    ~RawFile() {
        database.close();
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool exec(const QString& statement) {
        QSqlQuery query(database);
        return query.exec(statement);
    }

    // One "row_id col_id value" line per table row in table order, the value's storage class
    // appended when it is not text.
    QStringList cells() {
        QStringList lines;
        QSqlQuery query(database);
        query.exec(QStringLiteral("SELECT row_id, col_id, value, typeof(value) FROM matrix "
                                  "ORDER BY row_id, col_id"));
        while (query.next()) {
            QString line = QStringLiteral("%1 %2 %3")
                               .arg(query.value(0).toString(), query.value(1).toString(),
                                    query.value(2).toString());
            if (query.value(3).toString() != QLatin1String("text")) {
                line += " (" + query.value(3).toString() + ")";
            }
            lines << line;
        }
        return lines;
    }

    // The text stored for one cell; empty when there is none.
    QString text(int row, int column) {
        QSqlQuery query(database);
        query.prepare(QStringLiteral("SELECT value FROM matrix WHERE row_id = ? AND col_id = ?"));
        query.addBindValue(row);
        query.addBindValue(column);
        query.exec();
        return query.next() ? query.value(0).toString() : QString();
    }

    // The names of everything in the schema (tables, indices, triggers).
    QStringList schema() {
        QStringList names;
        QSqlQuery query(database);
        query.exec(QStringLiteral("SELECT name FROM sqlite_master ORDER BY name"));
        while (query.next()) {
            names << query.value(0).toString();
        }
        return names;
    }

private:
    QString name;
    QSqlDatabase database;
};

// Every entry below the folder with the hash of its contents: equal snapshots mean nothing
// was created, removed or changed.
inline QStringList snapshot(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QString entry = QDir(folder).relativeFilePath(path);
        QFile file(path);
        if (it.fileInfo().isFile() && file.open(QIODevice::ReadOnly)) {
            entry +=
                " " + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex();
        }
        entries << entry;
    }
    entries.sort();
    return entries;
}
