#include "storage/dbmanager.h"
#include "tests/storage/rawfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using dbManager::ReadFailure;

Q_DECLARE_METATYPE(ReadFailure)

namespace {

// The rows of the largest pattern a file may hold, and the statement that fills a plain
// table with that many copies of one cell plus `extra`.
constexpr int rowLimit = dbCurrnet::indexLimit * (dbCurrnet::indexLimit + 1) / 2;
QString fillStatement(int extra) {
    return QStringLiteral("INSERT INTO matrix WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL "
                          "SELECT i + 1 FROM r WHERE i < %1) SELECT 0, 1, '2' FROM r")
        .arg(rowLimit + extra);
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestScaleSpaceRead : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // Each file is made by `bytes` (raw contents) or by the statements (run on a database),
    // then read. The folder must stay exactly as it was, whatever the outcome.
    void readsWithoutWriting_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<ReadFailure>("failure");
        const QString table = "CREATE TABLE matrix (row_id INTEGER, col_id INTEGER, value TEXT)";
        const QString cells = "INSERT INTO matrix VALUES (0, 0, '1.5'), (0, 1, '2')";

        QTest::newRow("0 bytes") << QByteArray() << QStringList() << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("1 byte") << QByteArray("S") << QStringList()
                                << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("text") << QByteArray(4096, 'x') << QStringList()
                              << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("database header only") << QByteArray("SQLite format 3\0", 16)
                                              << QStringList() << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("no matrix table") << QByteArray() << QStringList{"CREATE TABLE other (x)"}
                                         << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("endless recursive view")
            << QByteArray()
            << QStringList{"CREATE VIEW matrix AS WITH RECURSIVE r(i) AS (SELECT 0 UNION ALL "
                           "SELECT i + 1 FROM r) SELECT 0 AS row_id, 0 AS col_id, '2' AS value "
                           "FROM r WHERE i < 0"}
            << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("view of a 200 MB blob")
            << QByteArray()
            << QStringList{"CREATE VIEW matrix AS SELECT 0 AS row_id, 0 AS col_id, "
                           "randomblob(200000000) AS value"}
            << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("virtual table")
            << QByteArray()
            << QStringList{"CREATE VIRTUAL TABLE matrix USING fts4(row_id, col_id, value)", cells}
            << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("generated 100 MB value")
            << QByteArray()
            << QStringList{"CREATE TABLE matrix (row_id INTEGER, col_id INTEGER, value TEXT AS "
                           "(printf('%.*c', 100000000, 'x')))",
                           "INSERT INTO matrix VALUES (0, 0)"}
            << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("no value column")
            << QByteArray() << QStringList{"CREATE TABLE matrix (row_id, col_id)"}
            << ReadFailure::NotScaleSpaceFile;
        QTest::newRow("empty table") << QByteArray() << QStringList{table} << ReadFailure::Empty;
        QTest::newRow("value of 65 bytes")
            << QByteArray()
            << QStringList{table, cells,
                           "INSERT INTO matrix VALUES (1, 0, '1.5' || printf('%062d', 0))"}
            << ReadFailure::Damaged;
        QTest::newRow("blob of 100 kB")
            << QByteArray()
            << QStringList{table, cells, "INSERT INTO matrix VALUES (1, 0, zeroblob(100000))"}
            << ReadFailure::Damaged;
        QTest::newRow("rows a 1024-note table holds")
            << QByteArray()
            << QStringList{"CREATE TABLE matrix (row_id, col_id, value)", cells, fillStatement(-2)}
            << ReadFailure::None;
        QTest::newRow("one row more")
            << QByteArray()
            << QStringList{"CREATE TABLE matrix (row_id, col_id, value)", cells, fillStatement(-1)}
            << ReadFailure::Damaged;
        QTest::newRow("sound file")
            << QByteArray() << QStringList{table, cells} << ReadFailure::None;
        QTest::newRow("write-ahead log")
            << QByteArray() << QStringList{"PRAGMA journal_mode = WAL", table, cells}
            << ReadFailure::None;
    }

    void readsWithoutWriting() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, statements);
        QFETCH(ReadFailure, failure);
        const QString folder = dir.filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/file.qmx";
        QVERIFY(writeBytes(path, bytes));
        if (!statements.isEmpty()) {
            RawFile raw(path);
            for (const QString& statement : statements) {
                QVERIFY2(raw.exec(statement), qPrintable(statement));
            }
        }
        const QStringList before = snapshot(folder);

        const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path);
        QCOMPARE(read.failure, failure);
        if (failure == ReadFailure::None) {
            QCOMPARE(read.pattern, (SizePattern{{1.5L, 2.0L}}));
        } else {
            QVERIFY(read.pattern.empty());
        }
        QCOMPARE(snapshot(folder), before);
    }

    // A file left with a journal or write-ahead log by a save that broke off is read as SQLite
    // brings it back, from a private copy: the folder stays exactly as it was.
    void interruptedSaveIsReadFromACopy_data() {
        QTest::addColumn<QString>("journalMode");
        QTest::newRow("hot rollback journal") << "DELETE";
        QTest::newRow("write-ahead log not yet checkpointed") << "WAL";
    }

    void interruptedSaveIsReadFromACopy() {
        QFETCH(QString, journalMode);
        const QString folder = dir.filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(folder + "/left"));
        const QString source = folder + "/source.qmx";
        const QString left = folder + "/left/file.qmx";
        const QString suffix = journalMode == "WAL" ? "-wal" : "-journal";
        {
            RawFile raw(source);
            QVERIFY(raw.exec("PRAGMA journal_mode = " + journalMode));
            QVERIFY(raw.exec("PRAGMA wal_autocheckpoint = 0"));
            QVERIFY(raw.exec("CREATE TABLE matrix (row_id INTEGER, col_id INTEGER, value TEXT)"));
            QVERIFY(raw.exec("INSERT INTO matrix VALUES (0, 0, '1.5'), (0, 1, '2')"));
            if (journalMode != "WAL") {
                // A save under way: its journal holds the pages as they were.
                QVERIFY(raw.exec("BEGIN IMMEDIATE"));
                QVERIFY(raw.exec("UPDATE matrix SET value = '9'"));
            }
            // What a kill at this moment leaves behind.
            QVERIFY(QFile::copy(source, left));
            QVERIFY(QFile::copy(source + suffix, left + suffix));
            if (journalMode != "WAL") {
                QVERIFY(raw.exec("ROLLBACK"));
            }
        }
        const QStringList before = snapshot(folder + "/left");
        const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(left);
        QCOMPARE(read.failure, ReadFailure::None);
        QCOMPARE(read.pattern, (SizePattern{{1.5L, 2.0L}}));
        QVERIFY(read.recovered);
        QCOMPARE(snapshot(folder + "/left"), before);
    }

    void missingFileIsNotCreated_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "missing.qmx";
        QTest::newRow("missing folder") << "missing/a.qmx";
        QTest::newRow("empty path") << QString();
    }

    void missingFileIsNotCreated() {
        QFETCH(QString, name);
        const QStringList before = snapshot(dir.path());
        const dbManager::ScaleSpaceRead read =
            dbManager::readScaleSpace(name.isEmpty() ? name : dir.filePath(name));
        QCOMPARE(read.failure, ReadFailure::Missing);
        QCOMPARE(snapshot(dir.path()), before);
    }

    // The file is named to SQLite as a URI: characters that mean something there must not.
    void oddFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("query") << "a?immutable=0&mode=rwc.qmx";
        QTest::newRow("fragment") << "b#c.qmx";
        QTest::newRow("percent") << "100%25 d.qmx";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Stimmung \xc3\xa4.qmx");
    }

    void oddFileNames() {
        QFETCH(QString, name);
        const QString path = dir.filePath(name);
        {
            dbCurrnet file(path);
            QVERIFY(file.open());
            QVERIFY(file.savePattern({{1.5L, 2.0L}}));
        }
        const QStringList before = snapshot(dir.path());
        const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path);
        QCOMPARE(read.failure, ReadFailure::None);
        QCOMPARE(read.pattern, (SizePattern{{1.5L, 2.0L}}));
        QCOMPARE(snapshot(dir.path()), before);
    }

    void folderIsNoScaleSpaceFile() {
        QCOMPARE(dbManager::readScaleSpace(dir.path()).failure, ReadFailure::NotScaleSpaceFile);
    }

    // A raised flag stops the read of a sound file; the connection is gone afterwards.
    void interruptStopsReading() {
        const QString path = dir.filePath("interrupted.qmx");
        {
            dbCurrnet file(path);
            QVERIFY(file.open());
            QVERIFY(file.savePattern({{1.5L, 2.0L}}));
        }
        const QStringList connections = QSqlDatabase::connectionNames();
        std::atomic<bool> interrupt{false};
        QCOMPARE(dbManager::readScaleSpace(path, &interrupt).failure, ReadFailure::None);
        interrupt = true;
        const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path, &interrupt);
        QCOMPARE(read.failure, ReadFailure::Interrupted);
        QVERIFY(read.pattern.empty());
        QCOMPARE(QSqlDatabase::connectionNames(), connections);
    }
};

QTEST_GUILESS_MAIN(TestScaleSpaceRead)
#include "tst_scalespaceread.moc"
