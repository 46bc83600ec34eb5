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

// The optional tables. Created only when there is something to keep in them, so that a file
// of sizes alone stays as it always was.
const QString createWeightsStatement = QStringLiteral(R"(
    CREATE TABLE weights (
        row_id INTEGER,
        col_id INTEGER,
        value TEXT,
        PRIMARY KEY(row_id, col_id)
    ))");

const QString createStateStatement = QStringLiteral(R"(
    CREATE TABLE state (
        key TEXT PRIMARY KEY,
        value TEXT
    ))");

const QString insertWeightStatement = QStringLiteral(R"(
    INSERT INTO weights (row_id, col_id, value)
        VALUES (?, ?, ?))");

const QString insertStateStatement = QStringLiteral(R"(
    INSERT INTO state (key, value)
        VALUES (?, ?))");

const QString plainTableStatement = QStringLiteral(R"(
    SELECT count(*)
        FROM sqlite_master
        WHERE type = 'table' AND name = ? COLLATE NOCASE AND rootpage > 0)");

const QString anyTableStatement = QStringLiteral(R"(
    SELECT count(*)
        FROM sqlite_master
        WHERE name = ? COLLATE NOCASE)");

const QString hiddenColumnsStatement = QStringLiteral(R"(
    SELECT count(*)
        FROM pragma_table_xinfo(?)
        WHERE hidden <> 0)");

const QString readWeightsStatement = QStringLiteral(R"(
    SELECT row_id, col_id, length(value) <= 64, CASE WHEN length(value) <= 64 THEN value END
        FROM weights
        LIMIT ?)");

// A state row is a short key and a value of at most stateValueLimit characters; longer ones
// are refused by their length, unread.
const QString readStateStatement = QStringLiteral(R"(
    SELECT typeof(key) = 'text' AND length(key) <= 64,
           CASE WHEN typeof(key) = 'text' AND length(key) <= 64 THEN key END,
           typeof(value) = 'text' AND length(value) <= ?,
           CASE WHEN typeof(value) = 'text' AND length(value) <= ? THEN value END
        FROM state
        LIMIT ?)");

constexpr int stateValueLimit = 16 * 1024 * 1024;
constexpr int stateRowLimit = 64;

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

QString valueTextOf(const long double& value) {
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

QString storedValueText(const long double& value) {
    return valueTextOf(value);
}

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
    return saveWork(pattern, dbManager::StoredExtras());
}

bool dbCurrnet::saveWork(const SizePattern& pattern, const dbManager::StoredExtras& extras) {
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
                query.addBindValue(valueTextOf(pattern[i][j]));
                if (!query.exec()) {
                    return false;
                }
            }
        }
    }
    return writeExtras(extras) && transaction.commit();
}

bool dbCurrnet::writeExtras(const dbManager::StoredExtras& extras) {
    QSqlQuery query(database);
    // Whatever the file kept before is replaced; a view or other object of these names is not
    // ours to drop, and then only keeping nothing succeeds.
    for (const QString& table : {QStringLiteral("weights"), QStringLiteral("state")}) {
        if (!query.exec(QStringLiteral("DROP TABLE IF EXISTS ") + table) && !extras.empty()) {
            return false;
        }
    }
    if (!extras.weights.empty()) {
        if (!query.exec(createWeightsStatement) || !query.prepare(insertWeightStatement)) {
            return false;
        }
        for (const dbManager::StoredWeight& weight : extras.weights) {
            query.addBindValue(weight.row);
            query.addBindValue(weight.column);
            query.addBindValue(valueTextOf(weight.value));
            if (!query.exec()) {
                return false;
            }
        }
    }
    if (!extras.state.empty()) {
        if (!query.exec(createStateStatement) || !query.prepare(insertStateStatement)) {
            return false;
        }
        for (const auto& [key, value] : extras.state) {
            query.addBindValue(key);
            query.addBindValue(value);
            if (!query.exec()) {
                return false;
            }
        }
    }
    return true;
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
    dbManager::ScaleSpaceRead read{std::move(pattern), ReadFailure::None};
    readExtras(read, interrupt);
    if (interrupted()) {
        return failed(ReadFailure::Interrupted);
    }
    return read;
}

namespace {

// Whether the named table exists, and whether it is a plain table without computed columns,
// whose rows are stored as they read.
enum class TableKind { Missing, Plain, Foreign };

TableKind tableKind(const QSqlDatabase& database, const QString& name) {
    QSqlQuery query(database);
    const auto count = [&query, &name](const QString& statement) {
        if (!query.prepare(statement)) {
            return -1;
        }
        query.addBindValue(name);
        return query.exec() && query.next() ? query.value(0).toInt() : -1;
    };
    if (count(anyTableStatement) == 0) {
        return TableKind::Missing;
    }
    return count(plainTableStatement) == 1 && count(hiddenColumnsStatement) == 0
               ? TableKind::Plain
               : TableKind::Foreign;
}

} // namespace

void dbCurrnet::readExtras(dbManager::ScaleSpaceRead& read, const std::atomic<bool>* interrupt) {
    const TableKind weights = tableKind(database, QStringLiteral("weights"));
    if (weights == TableKind::Foreign ||
        (weights == TableKind::Plain && !readWeights(read.extras.weights, interrupt))) {
        read.extras.weights.clear();
        read.extrasIgnored = true;
    }
    const TableKind state = tableKind(database, QStringLiteral("state"));
    if (state == TableKind::Foreign ||
        (state == TableKind::Plain && !readState(read.extras.state))) {
        read.extrasIgnored = true;
    }
}

bool dbCurrnet::readWeights(std::vector<dbManager::StoredWeight>& weights,
                            const std::atomic<bool>* interrupt) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(readWeightsStatement)) {
        return false;
    }
    query.addBindValue(rowLimit + 1);
    if (!query.exec()) {
        return false;
    }
    // As for the sizes: one damaged cell and none is used.
    while (query.next()) {
        if ((interrupt != nullptr && interrupt->load()) || qlonglong(weights.size()) >= rowLimit) {
            return false;
        }
        dbManager::StoredWeight weight;
        if (!readIndex(query.value(0), weight.row) || !readIndex(query.value(1), weight.column) ||
            query.value(2).toInt() != 1 || !readValue(query.value(3), weight.value) ||
            !std::isfinite(weight.value)) {
            return false;
        }
        weights.push_back(weight);
    }
    return !query.lastError().isValid();
}

bool dbCurrnet::readState(std::vector<std::pair<QString, QString>>& state) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(readStateStatement)) {
        return false;
    }
    query.addBindValue(stateValueLimit);
    query.addBindValue(stateValueLimit);
    query.addBindValue(stateRowLimit + 1);
    if (!query.exec()) {
        return false;
    }
    // A row that is not a short key and a text is left out; the others are still used.
    bool whole = true;
    while (query.next()) {
        if (int(state.size()) >= stateRowLimit) {
            return false;
        }
        if (query.value(0).toInt() != 1 || query.value(2).toInt() != 1) {
            whole = false;
            continue;
        }
        state.emplace_back(query.value(1).toString(), query.value(3).toString());
    }
    return whole && !query.lastError().isValid();
}
