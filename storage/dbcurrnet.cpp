#include "storage/dbcurrnet.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

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

const QString readStatement = QStringLiteral(R"(
    SELECT row_id, col_id, value
        FROM matrix
        ORDER BY row_id, col_id)");

// Seventeen digits after the point: every double reads back bit for bit. The classic locale
// keeps the point a point whatever the user's locale.
QString valueText(const long double& value) {
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << std::scientific << std::setprecision(17) << value;
    return QString::fromStdString(stream.str());
}

// Reads a value the way std::stold reads it in the "C" locale: leading blanks skipped, text
// after the number ignored. std::stold itself follows the process locale, which
// QCoreApplication sets from the environment, so a German desktop would read "1.5" as 1.
// False for anything that is no number or lies beyond the range of long double.
bool readValue(const QVariant& field, long double& value) {
    if (field.isNull()) {
        return false;
    }
    std::istringstream stream(field.toString().toStdString());
    stream.imbue(std::locale::classic());
    stream >> value;
    return !stream.fail();
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
    database.setDatabaseName(filePath);
    if (!database.open()) {
        return false;
    }
    return createTables();
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
    if (!database.isOpen()) {
        return {};
    }
    SizePattern pattern;
    QSqlQuery query(database);
    if (!query.exec(readStatement)) {
        return {};
    }
    // Any damaged cell refuses the whole file; the index limit bounds what is allocated.
    while (query.next()) {
        int row = 0;
        int column = 0;
        long double value = 0;
        if (!readIndex(query.value(0), row) || !readIndex(query.value(1), column) ||
            !readValue(query.value(2), value)) {
            return {};
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
        return {};
    }
    return pattern;
}
