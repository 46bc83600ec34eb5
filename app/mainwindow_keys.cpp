// The application-wide keys, copy and paste of table cells, and the cells' tooltips.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/editing/edithistory.h"
#include "app/making/tuningmaking.h"
#include "app/menus/windowmenus.h"
#include "app/shared/tuningconstants.h"
#include "app/widgets/scalespacedelegate.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>
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

// A field that takes typed text: while one has focus, it keeps every key but Control
// combinations (a cell editor needs its Space, "-" and Return; a spin box its arrows).
bool isTextField(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
        return !line->isReadOnly();
    }
    if (qobject_cast<const QAbstractSpinBox*>(widget) != nullptr) {
        return true;
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) {
        return !plain->isReadOnly();
    }
    if (const auto* rich = qobject_cast<const QTextEdit*>(widget)) {
        return !rich->isReadOnly();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable();
    }
    return false;
}

bool isArrowKey(const int& key) {
    return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
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

bool MainWindow::triggerAction(const char* name) {
    QAction* action = menus != nullptr ? menus->action(QLatin1String(name)) : nullptr;
    if (action == nullptr || !action->isEnabled()) {
        return false;
    }
    action->trigger();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Events can arrive while the form is being built or taken down.
    if (ui == nullptr || model == nullptr) {
        return QMainWindow::eventFilter(watched, event);
    }
    QTableView* table = ui->scaleSpaceTable;
    const ScaleSpaceDelegate* delegate = tableDelegate();
    const bool hasFramedCell = delegate != nullptr && delegate->getLastSelectedIndex().has_value();
    const int noteCount = scaleSpace.noteCount();
    const int range = model->getRange();

    switch (event->type()) {
    case QEvent::KeyPress: {
        // Only keys typed into this window count: a dialog, menu or pop-up list it opens is a
        // window of its own and keeps its typing and arrow keys (a file name may hold a space).
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (widget == nullptr || widget->window() != this) {
            return QMainWindow::eventFilter(watched, event);
        }
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        const Qt::KeyboardModifiers modifiers = keyEvent->modifiers();
        const bool shift = modifiers == Qt::ShiftModifier;
        const bool control = modifiers == Qt::ControlModifier;
        if (!modifiers.testFlag(Qt::ControlModifier) &&
            (isTextField(widget) || isTextField(QApplication::focusWidget()))) {
            return QMainWindow::eventFilter(watched, event);
        }

        if (watched == table) {
            const QModelIndex current = table->currentIndex();
            if (!current.isValid()) {
                return QMainWindow::eventFilter(watched, event);
            }
            const int row = current.row();
            const int column = current.column();
            if (keyEvent->matches(QKeySequence::Copy)) {
                QGuiApplication::clipboard()->setText(
                    scientificText(model->currentValue(row, column), 17));
                return true;
            }
            if (keyEvent->matches(QKeySequence::Paste)) {
                pasteIntoTable(current);
                return true;
            }
            if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
                model->setData(current, model->defaultText(), Qt::EditRole);
                return true;
            }
            if (shift && isArrowKey(key)) {
                // One repetition over, if the table reaches that far.
                int targetRow = row;
                int targetColumn = column;
                bool inside = false;
                switch (key) {
                case Qt::Key_Left:
                    targetColumn = column - noteCount;
                    inside = column >= noteCount;
                    break;
                case Qt::Key_Right:
                    targetColumn = column + noteCount;
                    inside = targetColumn < range;
                    break;
                case Qt::Key_Up:
                    targetRow = row - noteCount;
                    inside = row >= noteCount;
                    break;
                default:
                    targetRow = row + noteCount;
                    inside = targetRow < range;
                    break;
                }
                if (inside && hasFramedCell) {
                    postModelResetSelect(model->index(targetRow, targetColumn), current);
                }
                return true;
            }
        }

        if (key == Qt::Key_Space) {
            swapIntervalMode();
            return true;
        }
        if (key == Qt::Key_Tab) {
            swapDisplayMode();
            return true;
        }
        if (keyEvent->matches(QKeySequence::Save)) {
            handleSaveSubScaleSpace();
            return true;
        }
        if (keyEvent->matches(QKeySequence::SaveAs)) {
            handleSaveSubScaleSpaceAs();
            return true;
        }
        if (keyEvent->matches(QKeySequence::Open)) {
            emit ui->scaleSpaceCombo->textActivated(customEntry);
            return true;
        }
        if (control) {
            switch (key) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                ui->makeButton->click();
                return true;
            case Qt::Key_Delete:
                ui->cancelButton->click();
                return true;
            case Qt::Key_Backspace:
                ui->clearButton->click();
                return true;
            case Qt::Key_Up:
                ui->cutoffDial->setValue(ui->cutoffDial->value() + 1);
                return true;
            case Qt::Key_Down:
                ui->cutoffDial->setValue(ui->cutoffDial->value() - 1);
                return true;
            case Qt::Key_Left:
                ui->attenuationSlider->setValue(ui->attenuationSlider->value() - 1);
                return true;
            case Qt::Key_Right:
                ui->attenuationSlider->setValue(ui->attenuationSlider->value() + 1);
                return true;
            case Qt::Key_Plus:
                ui->rangeSpinBox->setValue(ui->rangeSpinBox->value() + 1);
                return true;
            case Qt::Key_Minus:
                ui->rangeSpinBox->setValue(ui->rangeSpinBox->value() - 1);
                return true;
            default:
                break;
            }
        }
        if (key == Qt::Key_Equal) {
            ui->rangeSpinBox->setValue(ui->rangeSpinBox->value() + 1);
            return true;
        }
        if (key == Qt::Key_Minus && modifiers == Qt::NoModifier) {
            ui->rangeSpinBox->setValue(ui->rangeSpinBox->value() - 1);
            return true;
        }
        if (key == Qt::Key_P && modifiers == Qt::NoModifier &&
            triggerAction("actionPlayInterval")) {
            return true;
        }
        if (key == Qt::Key_Plus && shift) {
            if (range + noteCount <= ui->rangeSpinBox->maximum()) {
                ui->rangeSpinBox->setValue(ui->rangeSpinBox->value() + noteCount);
            }
            return true;
        }
        if ((key == Qt::Key_Minus && shift) || key == Qt::Key_Underscore) {
            if (range > noteCount + 1) {
                ui->rangeSpinBox->setValue(ui->rangeSpinBox->value() - noteCount);
            }
            return true;
        }
        if (key == Qt::Key_Escape && triggerAction("actionStopSound") && !hasFramedCell) {
            return true;
        }
        if (key == Qt::Key_Escape && (hasFramedCell || (table->selectionModel() != nullptr &&
                                                        table->selectionModel()->hasSelection()))) {
            resetSelection();
            return true;
        }
        if (isArrowKey(key) && !hasFramedCell) {
            // Without a framed cell there is nothing for an arrow to move.
            return true;
        }
        return QMainWindow::eventFilter(watched, event);
    }
    case QEvent::ToolTip:
        if (watched == ui->cutoffDial) {
            // The cutoff depends on the notes to tune, which change without the dial.
            ui->cutoffDial->setToolTip(controlTooltip(ui->cutoffDial));
            break;
        }
        if (watched == table->viewport()) {
            const auto* helpEvent = static_cast<QHelpEvent*>(event);
            const QModelIndex cell = table->indexAt(helpEvent->pos());
            if (cell.isValid()) {
                QToolTip::showText(helpEvent->globalPos(), makeTooltipText(cell), table, QRect(),
                                   -1);
            }
            return true;
        }
        break;
    case QEvent::FocusIn:
        if (watched == ui->temperamentBox) {
            if (delegate != nullptr) {
                delegate->setLastSelectedIndex(std::optional<QModelIndex>());
            }
            if (QItemSelectionModel* selection = table->selectionModel()) {
                selection->clearSelection();
            }
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
