// The application-wide keys, copy and paste of table cells, and the cells' tooltips.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/editing/edithistory.h"
#include "app/making/tuningmaking.h"
#include "app/shared/tuningconstants.h"
#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/tablecursor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QRegularExpression>
#include <QToolTip>

#include <cmath>
#include <sstream>

namespace {

// A number in scientific notation with the given digits after the point.
QString scientificText(const long double& value, const int& digits) {
    std::ostringstream stream;
    stream.precision(digits);
    stream << std::scientific << value;
    return QString::fromUtf8(stream.str().c_str());
}

} // namespace

QString MainWindow::makeTooltipText(const QModelIndex& index) {
    const Interval interval = model->interval(index.row(), index.column());
    return QStringLiteral("Interval: [%1, %2]").arg(index.row() + 1).arg(index.column() + 1) +
           QStringLiteral("\nSize (d): ") + makeNumberText(interval.size, false) +
           QStringLiteral("\nSize (c): ") + scientificText(1200 * std::log2(interval.size), 15) +
           QStringLiteral("\nWeight: ") + scientificText(interval.weight, 15);
}

void MainWindow::pasteIntoTable(const QModelIndex& current) {
    const EditHistory::Scope edit(history, tr("Paste"));
    const int row = current.row();
    const int column = current.column();
    const int range = model->getRange();
    const QStringList lines =
        QGuiApplication::clipboard()->text().split(QRegularExpression(QStringLiteral("\r?\n")));
    std::vector<QStringList> cells;
    cells.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines) {
        cells.push_back(line.split(QLatin1Char('\t')));
    }
    const int lineCount = static_cast<int>(cells.size());
    // A block across the diagonal would write each pair of mirror cells twice, the second
    // overwriting the first: such pairs are left as they are.
    const auto mirrorInBlock = [&](const int& r, const int& c) {
        const int mirrorLine = c - row;
        const int mirrorCell = r - column;
        return mirrorLine >= 0 && mirrorLine < lineCount && mirrorCell >= 0 &&
               mirrorCell < cells[static_cast<std::size_t>(mirrorLine)].size();
    };
    for (int i = 0; i < range && i < lineCount; ++i) {
        const QStringList& line = cells[static_cast<std::size_t>(i)];
        for (int j = 0; j < range && j < line.size(); ++j) {
            const QString text = line.at(j).trimmed();
            if (text.isEmpty()) {
                continue;
            }
            const int r = row + i;
            const int c = column + j;
            if (mirrorInBlock(r, c)) {
                continue;
            }
            model->setData(model->index(r, c), text, Qt::EditRole);
        }
    }
}

void MainWindow::copyCurrentCell() {
    const QModelIndex current = ui->scaleSpaceTable->currentIndex();
    if (current.isValid()) {
        QGuiApplication::clipboard()->setText(
            scientificText(model->currentValue(current.row(), current.column()), 17));
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Events can arrive while the form is being built or taken down.
    if (ui == nullptr || model == nullptr || cursor == nullptr) {
        return QMainWindow::eventFilter(watched, event);
    }
    QTableView* table = ui->scaleSpaceTable;
    if (event->type() == QEvent::ToolTip && watched == ui->cutoffDial) {
        // The cutoff depends on the notes to tune, which change without the dial.
        ui->cutoffDial->setToolTip(controlTooltip(ui->cutoffDial));
    } else if (event->type() == QEvent::ToolTip && watched == table->viewport()) {
        const auto* helpEvent = static_cast<QHelpEvent*>(event);
        const QModelIndex cell = table->indexAt(helpEvent->pos());
        if (cell.isValid()) {
            QToolTip::showText(helpEvent->globalPos(), makeTooltipText(cell), table, QRect(), -1);
        }
        return true;
    } else if (event->type() == QEvent::FocusIn && watched == ui->temperamentBox) {
        cursor->unframe();
        if (QItemSelectionModel* selection = table->selectionModel()) {
            selection->clearSelection();
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
