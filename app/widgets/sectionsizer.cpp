#include "app/widgets/sectionsizer.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSet>
#include <QStyle>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <vector>

SectionSizer::SectionSizer(QTableView* table) : QObject(table), table(table) {
    if (QAbstractItemModel* model = table->model()) {
        connect(model, &QAbstractItemModel::modelReset, this, &SectionSizer::scheduleUpdate);
        connect(model, &QAbstractItemModel::dataChanged, this, &SectionSizer::scheduleUpdate);
        connect(model, &QAbstractItemModel::layoutChanged, this, &SectionSizer::scheduleUpdate);
    }
    table->setWordWrap(false);
    update();
}

QSize SectionSizer::cellSize() const {
    const QAbstractItemModel* model = table->model();
    const QFontMetrics metrics = table->fontMetrics();
    int widest = 0;
    if (model != nullptr) {
        const int rows = model->rowCount();
        const int columns = model->columnCount();
        std::vector<QString> texts;
        texts.reserve(std::size_t(rows) * std::size_t(columns));
        qsizetype longest = 0;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                texts.push_back(model->index(row, column).data().toString());
                longest = std::max(longest, texts.back().size());
            }
        }
        // Digits share one width in the fonts a table uses, and the other characters of a
        // number differ little: only the longest texts can be the widest. Each is measured once.
        QSet<QString> measured;
        for (const QString& text : texts) {
            if (text.size() + 2 >= longest && !measured.contains(text)) {
                measured.insert(text);
                widest = std::max(widest, metrics.horizontalAdvance(text));
            }
        }
    }
    // The style draws a cell's text inside these margins; the grid takes a line of its own.
    const QStyle* style = table->style();
    const int horizontalMargin =
        style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    const int verticalMargin = style->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, table) + 1;
    const int grid = table->showGrid() ? 1 : 0;
    return {widest + 2 * horizontalMargin + grid, metrics.height() + 2 * verticalMargin + grid};
}

QSize SectionSizer::tableSize() const {
    const QAbstractItemModel* model = table->model();
    const int rows = model != nullptr ? model->rowCount() : 0;
    const int columns = model != nullptr ? model->columnCount() : 0;
    const int frame = 2 * table->frameWidth();
    return {table->verticalHeader()->sizeHint().width() +
                columns * table->horizontalHeader()->minimumSectionSize() + frame,
            table->horizontalHeader()->sizeHint().height() +
                rows * table->verticalHeader()->minimumSectionSize() + frame};
}

void SectionSizer::update() {
    scheduled = false;
    const QSize cell = cellSize();
    table->horizontalHeader()->setMinimumSectionSize(cell.width());
    table->verticalHeader()->setMinimumSectionSize(cell.height());
}

void SectionSizer::scheduleUpdate() {
    if (!scheduled) {
        scheduled = true;
        QTimer::singleShot(0, this, &SectionSizer::update);
    }
}
