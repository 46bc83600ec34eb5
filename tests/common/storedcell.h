#pragma once

// A 12edo scale space file in which one stored cell holds a text of the test's choosing, as a
// damaged or hand-edited file might.

#include "storage/dbmanager.h"
#include "tests/common/twelveedo.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QUrl>

namespace testing {

[[nodiscard]] inline bool writeTwelveEdoWithCell(const QString& path, int row, int column,
                                                 const QString& value) {
    {
        const auto db = dbManager::openDatabase(QUrl::fromLocalFile(path));
        if (!db || !db->savePattern(twelveEdoPattern())) {
            return false;
        }
    }
    bool updated = false;
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "storedcell");
        raw.setDatabaseName(path);
        if (raw.open()) {
            QSqlQuery query(raw);
            query.prepare("UPDATE matrix SET value = ? WHERE row_id = ? AND col_id = ?");
            query.addBindValue(value);
            query.addBindValue(row);
            query.addBindValue(column);
            updated = query.exec() && query.numRowsAffected() == 1;
        }
        raw.close();
    }
    QSqlDatabase::removeDatabase("storedcell");
    return updated;
}

} // namespace testing
