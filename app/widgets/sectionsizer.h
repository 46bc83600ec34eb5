#pragma once

#include <QObject>
#include <QSize>

class QTableView;

// Keeps every cell text of the interval table whole on one line: both headers' minimum section
// size follows the widest text the model shows in its current mode and precision, measured
// with the table's font plus the margins the style draws around a cell's text. The sections
// still stretch to fill the view while they fit; beyond that the table scrolls.
class SectionSizer : public QObject {
    Q_OBJECT

public:
    explicit SectionSizer(QTableView* table);

    // The width and height a cell needs for the widest text shown now.
    QSize cellSize() const;
    // The room the table needs to show every section at its minimum size without scrolling.
    QSize tableSize() const;

public slots:
    // Measures again at once; model changes ask for it on their own, coalesced.
    void update();

private:
    void scheduleUpdate();

    QTableView* table;
    bool scheduled = false;
};
