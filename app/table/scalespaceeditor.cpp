#include "app/table/scalespaceeditor.h"

#include "app/editing/edithistory.h"
#include "app/editing/noteshifts.h"
#include "app/making/tuningmaking.h"
#include "app/menus/windowmenus.h"
#include "app/shared/tuningconstants.h"
#include "app/widgets/customheaderview.h"
#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/tablecursor.h"
#include "core/scalespace.h"
#include "model/scalespacemodel.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringList>
#include <QTableView>

#include <algorithm>
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

bool contains(const std::vector<int>& notes, const int& note) {
    return std::find(notes.begin(), notes.end(), note) != notes.end();
}

void removeAll(std::vector<int>& notes, const int& note) {
    notes.erase(std::remove(notes.begin(), notes.end(), note), notes.end());
}

} // namespace

ScaleSpaceEditor::ScaleSpaceEditor(const Parts& parts)
    : QObject(parts.table), space(parts.space), model(parts.model), table(parts.table),
      rangeBox(parts.rangeBox), selectionBox(parts.selectionBox), cursor(parts.cursor),
      history(parts.history), weightFunctionBox(parts.weightFunctionBox),
      weightFunctions(parts.weightFunctions) {}

std::vector<int> ScaleSpaceEditor::notesToSave() const {
    if (!selected.empty()) {
        return selected;
    }
    std::vector<int> notes(std::size_t(std::max(0, model->getRange())));
    for (std::size_t note = 0; note < notes.size(); ++note) {
        notes[note] = int(note);
    }
    return notes;
}

void ScaleSpaceEditor::setSelectedNotes(const std::vector<int>& notes) {
    selected = notes;
    updateSelectionBox();
}

void ScaleSpaceEditor::keepInRange(const int& range) {
    if (!selected.empty()) {
        // The list is ascending: the notes no longer shown are its tail.
        while (!selected.empty() && selected.back() >= range) {
            selected.pop_back();
        }
        updateSelectionBox();
    }
}

void ScaleSpaceEditor::addNote(int noteToAdd, bool cameFromAddBefore) {
    const int count = space->noteCount();
    if (count < 1 || noteToAdd < 0) {
        return;
    }
    int position = noteToAdd % count;
    // "Insert after" the last note of a repetition appends to the scale space rather than
    // inserting before note 0.
    if (!cameFromAddBefore && noteToAdd != 0 && position == 0) {
        position = count;
    }
    const EditHistory::Scope edit(history, tr("Insert Note"));

    const int range = model->getRange();
    if (position < range) {
        // Every repetition shown stays shown, with the copies of the new note inside it.
        rangeBox->setValue(postAddNoteShift(position, range - 1, count) + 1);
    }
    space->addNote(position, {});
    model->reset();

    for (int& note : selected) {
        note = postAddNoteShift(position, note, count);
    }
    // At the largest range the table cannot grow with the notes: those moved past it go, as
    // the fixed notes do.
    while (!selected.empty() && selected.back() >= model->getRange()) {
        selected.pop_back();
    }
    updateSelectionBox();

    std::vector<int> fixed;
    for (const int note : model->getFixedNotes()) {
        // Note 0 is the reference, never a fixed note; moved up it would become one.
        if (note != 0) {
            fixed.push_back(postAddNoteShift(position, note, count));
        }
    }
    model->setFixedNotes(fixed);

    // Last, as storing the fixed notes resets the model once more.
    const ScaleSpaceDelegate* delegate = cursor->delegate();
    const std::optional<QModelIndex> last =
        delegate != nullptr ? delegate->getLastSelectedIndex() : std::nullopt;
    if (last) {
        cursor->select(model->index(postAddNoteShift(position, last->row(), count),
                                    postAddNoteShift(position, last->column(), count)),
                       last);
    }
}

void ScaleSpaceEditor::deleteNote(int noteToDelete) {
    const int count = space->noteCount();
    // The scale space keeps at least one note: every note formula divides by the count.
    if (count < 2 || noteToDelete < 0) {
        return;
    }
    const int position = space->getBaseNote(noteToDelete);
    const EditHistory::Scope edit(history, tr("Delete Note"));
    const QItemSelectionModel* selection = table->selectionModel();
    const QModelIndex current = selection != nullptr && selection->hasSelection()
                                    ? selection->selectedIndexes().constFirst()
                                    : QModelIndex();
    // Taken before the range shrinks, which would drop notes that survive the deletion.
    const std::vector<int> selectedBefore = selected;
    const std::vector<int> fixedBefore = model->getFixedNotes();

    space->removeNote(noteToDelete);
    const int range = model->getRange();
    if (position < range) {
        rangeBox->setValue(range - 1 - (range - 1 - position) / count);
    }
    model->reset();

    selected = afterRemoval(selectedBefore, position, count);
    updateSelectionBox();
    model->setFixedNotes(afterRemoval(fixedBefore, position, count));

    // Last, as storing the fixed notes resets the model once more.
    const auto isCopy = [position, count](const int& note) {
        return (note - position) % count == 0;
    };
    if (current.isValid() && !isCopy(current.row()) && !isCopy(current.column())) {
        cursor->select(model->index(postRemoveNoteShift(position, current.row(), count),
                                    postRemoveNoteShift(position, current.column(), count)),
                       current);
    } else {
        cursor->unframe();
    }
}

void ScaleSpaceEditor::headerClicked(const int& clickedNote) {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    const bool fixing = modifiers.testFlag(Qt::ShiftModifier);
    if (fixing && clickedNote == 0) {
        return;
    }
    std::vector<int> notes;
    if (modifiers.testFlag(Qt::ControlModifier)) {
        const int count = std::max(1, space->noteCount());
        const int range = model->getRange();
        for (int note = space->getBaseNote(clickedNote); note < range; note += count) {
            notes.push_back(note);
        }
    } else {
        notes.push_back(clickedNote);
    }
    // The clicked note decides the direction for all of them.
    if (fixing) {
        fixNotes(notes, !contains(model->getFixedNotes(), clickedNote));
    } else {
        selectNotes(notes, !contains(selected, clickedNote));
    }
}

void ScaleSpaceEditor::selectNotes(const std::vector<int>& notes, const bool& select) {
    cursor->keepCurrentCell([this, &notes, &select] {
        const int range = model->getRange();
        for (const int note : notes) {
            if (!select) {
                removeAll(selected, note);
            } else if (note >= 0 && note < range && !contains(selected, note)) {
                selected.push_back(note);
            }
        }
        std::sort(selected.begin(), selected.end());
        updateSelectionBox();
    });
}

void ScaleSpaceEditor::fixNotes(const std::vector<int>& notes, const bool& fix) {
    std::vector<int> fixed = model->getFixedNotes();
    ScaleSpaceDelegate* delegate = cursor->delegate();
    const TableCursor::Cell cell = cursor->remember();

    bool lastEmptied = false;
    for (const int note : notes) {
        if (!fix) {
            removeAll(fixed, note);
            continue;
        }
        if (!contains(fixed, note)) {
            fixed.push_back(note);
        }
        // The framed cell is about to be disabled: it cannot stay current.
        const std::optional<QModelIndex> framed =
            delegate != nullptr ? delegate->getLastSelectedIndex() : std::nullopt;
        if (framed && framed->row() != 0 && framed->column() != 0 &&
            (framed->row() == note || framed->column() == note)) {
            delegate->setLastSelectedIndex(std::optional<QModelIndex>());
            lastEmptied = true;
        }
    }
    model->setFixedNotes(fixed);
    if (cell.hadSelection && !lastEmptied) {
        cursor->select(cell.current, cell.last);
    }
}

void ScaleSpaceEditor::fillSelection() {
    const int range = model->getRange();
    selected.resize(std::size_t(std::max(0, range)));
    for (int note = 0; note < range; ++note) {
        selected[std::size_t(note)] = note;
    }
    updateSelectionBox();
}

void ScaleSpaceEditor::clearSelection() {
    selected.clear();
    selectionBox->clear();
}

void ScaleSpaceEditor::fixAll() {
    ScaleSpaceDelegate* delegate = cursor->delegate();
    const TableCursor::Cell cell = cursor->remember();

    // Every cell outside row 0 and column 0 is about to be disabled.
    const bool lastDisabled = cell.last && cell.last->row() != 0 && cell.last->column() != 0;
    if (lastDisabled) {
        delegate->setLastSelectedIndex(std::optional<QModelIndex>());
    }
    model->fixAllNotes();
    // Fixing all notes does not notify the view; storing the same list again does, so that
    // the table shows the disabled cells at once.
    model->setFixedNotes(model->getFixedNotes());
    if (cell.hadSelection && !lastDisabled) {
        cursor->select(cell.current, cell.last);
    }
}

void ScaleSpaceEditor::unfixAll() {
    // Unfixing disables no cell, so the current cell stays.
    cursor->keepCurrentCell([this] { model->setFixedNotes({}); });
}

void ScaleSpaceEditor::updateSelectionBox() {
    selectionBox->clear();
    // The headers mark the selected notes too.
    table->horizontalHeader()->viewport()->update();
    table->verticalHeader()->viewport()->update();
    if (selected.empty()) {
        return;
    }
    QStringList numbers;
    numbers.reserve(int(selected.size()));
    for (const int note : selected) {
        numbers << QString::number(note + 1);
    }
    selectionBox->appendPlainText(QStringLiteral("Selection: ") +
                                  numbers.join(QStringLiteral(", ")));
}

QString ScaleSpaceEditor::tooltipText(const QModelIndex& index) const {
    const Interval interval = model->interval(index.row(), index.column());
    return QStringLiteral("Interval: [%1, %2]").arg(index.row() + 1).arg(index.column() + 1) +
           QStringLiteral("\nSize (d): ") + makeNumberText(interval.size, false) +
           QStringLiteral("\nSize (c): ") + scientificText(1200 * std::log2(interval.size), 15) +
           QStringLiteral("\nWeight: ") + scientificText(interval.weight, 15);
}

void ScaleSpaceEditor::paste(const QModelIndex& current) {
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

void ScaleSpaceEditor::copyCurrentCell() const {
    const QModelIndex current = table->currentIndex();
    if (current.isValid()) {
        QGuiApplication::clipboard()->setText(
            scientificText(model->currentValue(current.row(), current.column()), 17));
    }
}

EditState ScaleSpaceEditor::captureState() const {
    EditState state;
    state.pattern = space->getSizePattern();
    state.range = model->getRange();
    state.selected = selected;
    state.fixed = model->getFixedNotes();
    // Typed weights are "Arbitrary", the entry after the functions, whatever the box shows
    // while it is being switched.
    state.weightFunction = model->getWeightMode() == WeightMode::Arbitrary
                               ? static_cast<int>(weightFunctions.size())
                               : weightFunctionBox->currentIndex();
    if (model->getWeightMode() == WeightMode::Arbitrary) {
        state.typedWeights = model->getWeights();
    }
    return state;
}

void ScaleSpaceEditor::applyState(const EditState& state) {
    cursor->keepCurrentCell([this, &state] {
        space->setSizePattern(state.pattern);
        {
            const QSignalBlocker blocker(rangeBox);
            rangeBox->setValue(state.range);
        }
        model->setRange(state.range);
        model->reset();
        model->setFixedNotes(state.fixed);
        {
            const QSignalBlocker blocker(weightFunctionBox);
            weightFunctionBox->setCurrentIndex(state.weightFunction);
        }
        if (state.typedWeights) {
            model->restoreWeights(*state.typedWeights);
        } else if (state.weightFunction >= 0 &&
                   state.weightFunction < static_cast<int>(weightFunctions.size())) {
            model->setWeightFunction(ScaleSpaceModel::WeightFunction(
                weightFunctions.at(std::size_t(state.weightFunction))));
        }
        setSelectedNotes(state.selected);
    });
    refreshDeleteNote();
}

void ScaleSpaceEditor::refreshDeleteNote() const {
    // A single note is all a scale space can be left with; a deletion would empty it.
    for (QHeaderView* header : {table->horizontalHeader(), table->verticalHeader()}) {
        if (auto* custom = qobject_cast<CustomHeaderView*>(header)) {
            custom->enableAction(QStringLiteral("delNote"), space->noteCount() > 1);
        }
    }
}

void ScaleSpaceEditor::attachActions(const WindowMenus* menus) {
    const auto on = [this, menus](const char* name, auto slot) {
        connect(menus->action(QLatin1String(name)), &QAction::triggered, this, slot);
    };
    on("actionCopy", [this] {
        if (copyTaker && copyTaker(true)) {
            return;
        }
        copyCurrentCell();
    });
    on("actionPaste", [this] {
        if (table->currentIndex().isValid() && !cellsLocked()) {
            paste(table->currentIndex());
        }
    });
    on("actionInsertNoteBefore", [this] { addNote(table->currentIndex().row(), true); });
    on("actionInsertNoteAfter", [this] { addNote(table->currentIndex().row() + 1, false); });
    on("actionDeleteNote", [this] { deleteNote(table->currentIndex().row()); });
    on("actionFixAll", [this] { fixAll(); });
    on("actionUnfixAll", [this] { unfixAll(); });
    const auto move = [this](int rows, int columns) {
        return [this, rows, columns] {
            cursor->moveByPeriods(rows, columns, space->noteCount());
        };
    };
    on("actionPeriodLeft", move(0, -1));
    on("actionPeriodUp", move(-1, 0));
    on("actionPeriodRight", move(0, 1));
    on("actionPeriodDown", move(1, 0));
    on("actionResetCell", [this] {
        if (!cellsLocked()) {
            model->setData(table->currentIndex(), model->defaultText(), Qt::EditRole);
        }
    });
    on("actionDeselectCell", [this] { cursor->reset(); });
}

bool ScaleSpaceEditor::cellsLocked() const {
    const ScaleSpaceDelegate* delegate = cursor->delegate();
    return delegate != nullptr && delegate->currentOverlay() != nullptr;
}

void ScaleSpaceEditor::refreshActions(const WindowMenus* menus) const {
    const QModelIndex current = table->currentIndex();
    const int count = space->noteCount();
    const int range = model->getRange();
    const int largest = rangeBox->maximum();
    menus->enable("actionCopy", current.isValid() || (copyTaker && copyTaker(false)));
    menus->enable("actionPaste", current.isValid() && !cellsLocked());
    menus->enable("actionInsertNoteBefore", current.isValid() && count > 0);
    menus->enable("actionInsertNoteAfter", current.isValid() && count > 0);
    menus->enable("actionDeleteNote", current.isValid() && count > 1);
    menus->enable("actionFixAll", range > 1);
    menus->enable("actionUnfixAll", !model->getFixedNotes().empty());
    menus->enable("actionLargerRange", range < largest);
    menus->enable("actionSmallerRange", range > rangeBox->minimum());
    menus->enable("actionAddPeriod", count > 0 && range + count <= largest);
    menus->enable("actionRemovePeriod", count > 0 && range > count + 1);
    menus->enable("actionResetCell", current.isValid());
    const QItemSelectionModel* selection = table->selectionModel();
    menus->enable("actionDeselectCell",
                  cursor->hasFramedCell() || (selection != nullptr && selection->hasSelection()));
    // Without a framed cell there is nothing for an arrow to move: the arrows are held.
    menus->enable("actionHoldArrows", !cursor->hasFramedCell());
}

QByteArray ScaleSpaceEditor::fingerprint(const int& dial) const {
    // Everything the search reads: the sizes, the notes and weights, and the dial.
    const EditState state = captureState();
    std::ostringstream text;
    text.precision(21);
    for (const std::vector<long double>& row : state.pattern) {
        for (const long double& size : row) {
            text << size << ' ';
        }
    }
    text << '|' << state.range << '|' << state.weightFunction << '|';
    for (const std::vector<int>* notes : {&state.selected, &state.fixed}) {
        for (const int note : *notes) {
            // Note 0 is the reference: as a fixed note it changes nothing.
            if (note != 0 || notes == &state.selected) {
                text << note << ' ';
            }
        }
        text << '|';
    }
    for (const long double& weight : state.typedWeights.value_or(std::vector<long double>())) {
        text << weight << ' ';
    }
    text << '|' << model->getAttenuation() << '|' << dial;
    return QByteArray::fromStdString(text.str());
}

void ScaleSpaceEditor::attachHeader(CustomHeaderView* header) {
    header->setNoteStates(
        [this](int note) { return std::binary_search(selected.begin(), selected.end(), note); },
        [this](int note) { return note != 0 && contains(model->getFixedNotes(), note); });
    connect(header, &CustomHeaderView::leftClicked, this, &ScaleSpaceEditor::headerClicked);
    connect(header, &CustomHeaderView::addNote, this, &ScaleSpaceEditor::addNote);
    connect(header, &CustomHeaderView::deleteNote, this, &ScaleSpaceEditor::deleteNote);
    connect(header, &CustomHeaderView::selectNote, this,
            [this](int note) { selectNotes({note}, !contains(selected, note)); });
    connect(header, &CustomHeaderView::fillSelection, this, &ScaleSpaceEditor::fillSelection);
    connect(header, &CustomHeaderView::clearSelection, this, &ScaleSpaceEditor::clearSelection);
    connect(header, &CustomHeaderView::fixNote, this,
            [this](int note) { fixNotes({note}, !contains(model->getFixedNotes(), note)); });
    connect(header, &CustomHeaderView::fillFixed, this, &ScaleSpaceEditor::fixAll);
    connect(header, &CustomHeaderView::clearFixed, this, &ScaleSpaceEditor::unfixAll);
}

void ScaleSpaceEditor::chooseWeightFunction(const int& index) {
    // Leaving "Arbitrary" drops the typed weights: an edit that undo brings back.
    std::optional<EditHistory::Scope> edit;
    if (model->getWeightMode() == WeightMode::Arbitrary &&
        weightFunctionBox->itemText(index) != arbitraryFunctionName) {
        edit.emplace(history, tr("Weight Function"));
    }
    cursor->keepCurrentCell([this, index] {
        if (weightFunctionBox->itemText(index) == arbitraryFunctionName) {
            // The weights shown become typed weights; the combo box already shows the entry,
            // so the model's notice must not reach it.
            const QSignalBlocker blocker(model);
            model->setWeightMode(WeightMode::Arbitrary);
            return;
        }
        if (index < 0 || index >= static_cast<int>(weightFunctions.size())) {
            return;
        }
        const SizeToWeightFunction& function = weightFunctions.at(static_cast<std::size_t>(index));
        model->setWeightFunction(ScaleSpaceModel::WeightFunction(function));
    });
}
