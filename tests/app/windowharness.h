#pragma once

// A main window under test, shown offscreen, with its controls at hand.

#include "app/mainwindow.h"
#include "app/widgets/customheaderview.h"
#include "app/widgets/scalespacedelegate.h"
#include "storage/dbmanager.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QList>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <vector>

inline QList<int> toList(const std::vector<int>& notes) {
    return QList<int>(notes.begin(), notes.end());
}

// The selection box's text for these zero-based notes.
inline QString selectionText(const QList<int>& notes) {
    if (notes.isEmpty()) {
        return QString();
    }
    QStringList numbers;
    for (const int note : notes) {
        numbers << QString::number(note + 1);
    }
    return "Selection: " + numbers.join(", ");
}

// The title as the window system shows it: Qt's "[*]" placeholder becomes "*" while the
// window is modified and goes otherwise.
inline QString shownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    return title.replace(QStringLiteral("[*]"),
                         window.isWindowModified() ? QStringLiteral("*") : QString());
}

// What main does before it builds the window: the library folder with the built-in scale
// spaces, and the palette. False when the test would touch the real configuration folder.
[[nodiscard]] inline bool startLikeMain() {
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        return false;
    }
    dbManager::initialise();
    initialisePalette();
    return true;
}

struct WindowHarness {
    MainWindow window;
    QTableView* table = window.findChild<QTableView*>("scaleSpaceTable");
    ScaleSpaceModel* model = qobject_cast<ScaleSpaceModel*>(table->model());
    QSpinBox* range = window.findChild<QSpinBox*>("rangeSpinBox");
    QPlainTextEdit* selectionBox = window.findChild<QPlainTextEdit*>("selectionBox");
    QComboBox* combo = window.findChild<QComboBox*>("scaleSpaceCombo");
    QPushButton* saveButton = window.findChild<QPushButton*>("saveButton");
    QPushButton* saveAsButton = window.findChild<QPushButton*>("saveAsButton");

    bool exposed = false;

    WindowHarness() {
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }

    CustomHeaderView* header(Qt::Orientation orientation) const {
        return qobject_cast<CustomHeaderView*>(
            orientation == Qt::Horizontal ? table->horizontalHeader() : table->verticalHeader());
    }

    bool deleteEnabled(Qt::Orientation orientation) const {
        const auto* action = header(orientation)->findChild<QAction*>("delNote");
        return action != nullptr && action->isEnabled();
    }

    // The number of notes of the scale space shown: the first table note whose interval from
    // note 0 is the repetition interval.
    int noteCount(const long double& repetition = 2.0L) const {
        for (int note = 1; note < 64; ++note) {
            if (model->interval(0, note).size == repetition) {
                return note;
            }
        }
        return 0;
    }

    // The size pattern of the scale space shown, as the table gives it.
    SizePattern shownPattern(const int& notes) const {
        SizePattern pattern(std::size_t(std::max(0, notes)));
        for (int from = 0; from < notes; ++from) {
            for (int to = from + 1; to <= notes; ++to) {
                pattern[std::size_t(from)].push_back(model->interval(from, to).size);
            }
        }
        return pattern;
    }

    QList<int> fixedNotes() const { return toList(model->getFixedNotes()); }
    QList<int> selectedList() const { return toList(window.notesToSave()); }

    // The range, the selected notes and the fixed notes, set as the user would.
    void setNotes(int newRange, const QList<int>& selected, const QList<int>& fixed) {
        range->setValue(newRange);
        window.selectNotes(std::vector<int>(selected.begin(), selected.end()), true);
        window.fixNotes(std::vector<int>(fixed.begin(), fixed.end()), true);
    }
    QString selection() const { return selectionBox->toPlainText(); }

    // Makes (row, column) the table's current, framed cell, as a click on it does.
    void makeCurrent(int row, int column) {
        const QModelIndex index = model->index(row, column);
        table->setCurrentIndex(index);
        table->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
        window.tableDelegate()->setLastSelectedIndex(index);
    }

    QPoint currentCell() const {
        const QModelIndex index = table->currentIndex();
        return index.isValid() ? QPoint(index.column(), index.row()) : QPoint(-1, -1);
    }

    QPoint framedCell() const {
        const auto last = window.tableDelegate()->getLastSelectedIndex();
        return last ? QPoint(last->column(), last->row()) : QPoint(-1, -1);
    }
};
