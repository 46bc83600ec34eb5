#pragma once

// Shared set-up of the interval table tests: the "12edo" space, a model over it with a
// model tester attached, and whole rows of the table as one text.

#include "model/scalespacemodel.h"
#include "tests/common/twelveedo.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringList>

#include <cmath>
#include <vector>

namespace testing {

// A weight that falls with the size, so that every cell's weight differs from its mirror's.
inline long double testWeight(long double size) {
    return 1 / (1 + size);
}

// The shown texts of one row, separated by spaces.
inline QString rowText(const QAbstractItemModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column) {
        cells << model.data(model.index(row, column)).toString();
    }
    return cells.join(' ');
}

inline QStringList tableText(const QAbstractItemModel& model) {
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows << rowText(model, row);
    }
    return rows;
}

// The index ranges of the recorded dataChanged signals, e.g. "(0,7)-(0,7) (7,0)-(7,0)";
// every one must carry the display and edit roles.
inline QString changedRanges(const QSignalSpy& spy) {
    QStringList ranges;
    for (const QList<QVariant>& arguments : spy) {
        const auto from = arguments.at(0).value<QModelIndex>();
        const auto to = arguments.at(1).value<QModelIndex>();
        const auto roles = arguments.at(2).value<QList<int>>();
        ranges << QStringLiteral("(%1,%2)-(%3,%4)%5")
                      .arg(from.row())
                      .arg(from.column())
                      .arg(to.row())
                      .arg(to.column())
                      .arg(roles == QList<int>{Qt::DisplayRole, Qt::EditRole} ? "" : " bad roles");
    }
    return ranges.join(' ');
}

struct Table {
    explicit Table(const SizePattern& pattern = twelveEdoPattern())
        : space(QStringLiteral("12edo"), pattern), model(&space) {}

    ScaleSpace space;
    ScaleSpaceModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    QSignalSpy resets{&model, &QAbstractItemModel::modelReset};
    QSignalSpy aboutToReset{&model, &QAbstractItemModel::modelAboutToBeReset};
    QSignalSpy changes{&model, &QAbstractItemModel::dataChanged};
    QSignalSpy arbitrary{&model, &ScaleSpaceModel::weightModeArbitrary};

    void clearSpies() {
        resets.clear();
        aboutToReset.clear();
        changes.clear();
        arbitrary.clear();
    }
};

} // namespace testing
