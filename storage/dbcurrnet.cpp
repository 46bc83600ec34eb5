#include "storage/dbcurrnet.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>

namespace {

const QString createStatement = QStringLiteral(R"(
    CREATE TABLE IF NOT EXISTS matrix (
        row_id INTEGER,
        col_id INTEGER,
        value TEXT,
        PRIMARY KEY(row_id, col_id)
    ))");

const QString clearStatement = QStringLiteral(R"(
    DELETE FROM matrix)");

const QString insertStatement = QStringLiteral(R"(
    INSERT INTO matrix (row_id, col_id, value)
        VALUES (?, ?, ?))");

// A real table: views and virtual tables have no root page. A view may run any query, even an
// endless recursive one, before its first row comes.
const QString tableCheckStatement = QStringLiteral(R"(
    SELECT count(*)
        FROM sqlite_master
        WHERE type = 'table' AND name = 'matrix' COLLATE NOCASE AND rootpage > 0)");

// Generated columns compute their values on reading, and may compute huge ones.
const QString generatedColumnsStatement = QStringLiteral(R"(
    SELECT count(*)
        FROM pragma_table_xinfo('matrix')
        WHERE hidden <> 0)");

// Values longer than a saved value could be are refused by their length and never handed
// over (a blob's length is known without reading it; a text in a plain table is no larger
// than the file). No more rows than the limit plus one, which tells a damaged file. Table
// order: a sort would read the whole table before the first row.
const QString readStatement = QStringLiteral(R"(
    SELECT row_id, col_id, length(value) <= 64, CASE WHEN length(value) <= 64 THEN value END
        FROM matrix
        LIMIT ?)");

// The most cells a pattern of indexLimit notes holds.
constexpr qlonglong rowLimit = qlonglong(dbCurrnet::indexLimit) * (dbCurrnet::indexLimit + 1) / 2;

// Seventeen digits after the point: every double reads back bit for bit. The classic locale
// keeps the point a point whatever the user's locale.
std::string scientificText(const long double& value) {
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << std::scientific << std::setprecision(17) << value;
    return stream.str();
}

QString valueText(const long double& value) {
    std::string text = scientificText(value);
    // Rounded to 17 digits, a size near the largest long double would read back as an
    // infinity, which the reader refuses: such a size is written rounded towards zero.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    if (std::isfinite(value) && !std::isfinite(strtold_l(text.c_str(), nullptr, cLocale))) {
        const int mode = std::fegetround();
        std::fesetround(FE_TOWARDZERO);
        text = scientificText(value);
        std::fesetround(mode);
    }
    return QString::fromStdString(text);
}

// Reads a value the way std::stold reads it in the "C" locale: leading blanks skipped, text
// after the number ignored, "inf" and "nan" read, a number beyond the range of long double
// read as an infinity or zero. std::stold itself follows the process locale, which
// QCoreApplication sets from the environment, so a German desktop would read "1.5" as 1, and
// it throws on such numbers. Sizes that cannot be tuned are kept so that they can be shown;
// false only for text that is no number at all.
bool readValue(const QVariant& field, long double& value) {
    if (field.isNull()) {
        return false;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string text = field.toString().toStdString();
    char* end = nullptr;
    value = strtold_l(text.c_str(), &end, cLocale);
    return end != text.c_str();
}

// A row or column index: an integer (or text that is wholly an integer) below the limit.
bool readIndex(const QVariant& field, int& index) {
    if (field.isNull()) {
        return false;
    }
    bool ok = false;
    qlonglong number = -1;
    switch (field.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        number = field.toLongLong(&ok);
        break;
    case QMetaType::QString:
        number = field.toString().toLongLong(&ok);
        break;
    default:
        break;
    }
    if (!ok || number < 0 || number >= dbCurrnet::indexLimit) {
        return false;
    }
    index = static_cast<int>(number);
    return true;
}

// Rolls the transaction back unless it was committed.
class TransactionGuard {
public:
    explicit TransactionGuard(QSqlDatabase& database)
        : database(database), active(database.transaction()) {}
    ~TransactionGuard() {
        if (active) {
            database.rollback();
        }
    }
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

    bool isActive() const { return active; }
    bool commit() {
        if (active && database.commit()) {
            active = false;
            return true;
        }
        return false;
    }

private:
    QSqlDatabase& database;
    bool active;
};

} // namespace

dbCurrnet::dbCurrnet(const QString& path)
    : filePath(path), connectionName(QUuid::createUuid().toString(QUuid::WithBraces)) {}

dbCurrnet::~dbCurrnet() {
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

bool dbCurrnet::open() {
    // On an instance opened before (also read-only), this only makes sure of the table.
    return openConnection(filePath, QString()) && createTables();
}

bool dbCurrnet::openForRecovery() {
    return QFileInfo(filePath).isFile() && openConnection(filePath, QString());
}

bool dbCurrnet::openReadOnly() {
    // Read-only never creates the file. "immutable" also keeps SQLite from making the files
    // that a reader of a write-ahead-log database makes, and from locking. A journal beside
    // the file means a writer is at work or broke off: then SQLite must see the journal, and
    // may wait a moment for the writer.
    const QString absolutePath = QFileInfo(filePath).absoluteFilePath();
    const bool journal = QFileInfo::exists(absolutePath + QStringLiteral("-journal")) ||
                         QFileInfo::exists(absolutePath + QStringLiteral("-wal"));
    QUrl uri = QUrl::fromLocalFile(absolutePath);
    if (!journal) {
        uri.setQuery(QStringLiteral("immutable=1"));
    }
    return openConnection(
        uri.toString(QUrl::FullyEncoded),
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1000"));
}

bool dbCurrnet::openConnection(const QString& databaseName, const QString& options) {
    if (database.isValid()) {
        // Opened once already: no reopening.
        return database.isOpen();
    }
    database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    // An empty name would give SQLite's private temporary database, which vanishes on close:
    // a save into it would look successful and keep nothing.
    if (filePath.isEmpty()) {
        return false;
    }
    database.setDatabaseName(databaseName);
    database.setConnectOptions(options);
    return database.open();
}

bool dbCurrnet::createTables() {
    QSqlQuery query(database);
    return query.exec(createStatement);
}

bool dbCurrnet::savePattern(const SizePattern& pattern) {
    if (!database.isOpen()) {
        return false;
    }
    // A pattern the reader would refuse is not written: the file would be lost to the user.
    if (pattern.size() > std::size_t(indexLimit)) {
        return false;
    }
    for (const auto& row : pattern) {
        if (row.size() > std::size_t(indexLimit)) {
            return false;
        }
    }

    // All or nothing: a failure part-way must not leave a half-written scale space, and one
    // journal sync for the whole file instead of one per cell.
    TransactionGuard transaction(database);
    if (!transaction.isActive()) {
        return false;
    }
    {
        QSqlQuery query(database);
        if (!query.exec(clearStatement) || !query.prepare(insertStatement)) {
            return false;
        }
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            for (std::size_t j = 0; j < pattern[i].size(); ++j) {
                query.addBindValue(static_cast<int>(i));
                query.addBindValue(static_cast<int>(j));
                query.addBindValue(valueText(pattern[i][j]));
                if (!query.exec()) {
                    return false;
                }
            }
        }
    }
    return transaction.commit();
}

SizePattern dbCurrnet::loadPattern() {
    dbManager::ScaleSpaceRead read = readPattern();
    return read.failure == dbManager::ReadFailure::None ? std::move(read.pattern) : SizePattern();
}

dbManager::ScaleSpaceRead dbCurrnet::readPattern(const std::atomic<bool>* interrupt) {
    using dbManager::ReadFailure;
    const auto failed = [](ReadFailure failure) {
        return dbManager::ScaleSpaceRead{SizePattern(), failure};
    };
    const auto interrupted = [interrupt] {
        return interrupt != nullptr && interrupt->load();
    };
    if (!database.isOpen()) {
        return failed(ReadFailure::NotScaleSpaceFile);
    }
    {
        // Also the first statement to touch the file: one that is no database fails here.
        QSqlQuery check(database);
        if (!check.exec(tableCheckStatement) || !check.next() || check.value(0).toInt() != 1) {
            return failed(ReadFailure::NotScaleSpaceFile);
        }
        if (!check.exec(generatedColumnsStatement) || !check.next() ||
            check.value(0).toInt() != 0) {
            return failed(ReadFailure::NotScaleSpaceFile);
        }
    }
    if (interrupted()) {
        return failed(ReadFailure::Interrupted);
    }

    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(readStatement)) {
        return failed(ReadFailure::NotScaleSpaceFile);
    }
    query.addBindValue(rowLimit + 1);
    if (!query.exec()) {
        return failed(ReadFailure::NotScaleSpaceFile);
    }
    // Any damaged cell refuses the whole file; the index limit bounds what is allocated.
    SizePattern pattern;
    qlonglong rows = 0;
    while (query.next()) {
        if (interrupted()) {
            return failed(ReadFailure::Interrupted);
        }
        if (++rows > rowLimit) {
            return failed(ReadFailure::Damaged);
        }
        int row = 0;
        int column = 0;
        long double value = 0;
        if (!readIndex(query.value(0), row) || !readIndex(query.value(1), column) ||
            query.value(2).toInt() != 1 || !readValue(query.value(3), value)) {
            return failed(ReadFailure::Damaged);
        }
        if (std::size_t(row) >= pattern.size()) {
            pattern.resize(std::size_t(row) + 1);
        }
        auto& cells = pattern[std::size_t(row)];
        if (std::size_t(column) >= cells.size()) {
            cells.resize(std::size_t(column) + 1, 0.0L);
        }
        cells[std::size_t(column)] = value;
    }
    if (query.lastError().isValid()) {
        // The read stopped part-way: what came so far is not the file.
        return failed(ReadFailure::Damaged);
    }
    if (interrupted()) {
        return failed(ReadFailure::Interrupted);
    }
    if (rows == 0) {
        return failed(ReadFailure::Empty);
    }
    return {std::move(pattern), ReadFailure::None};
}
