#include "app/editing/edithistory.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <cstring>

namespace {

// Sizes compared by their bits: undo must give back exactly what was there, -0 and NaN too.
bool sameBits(const SizePattern& one, const SizePattern& other) {
    if (one.size() != other.size()) {
        return false;
    }
    for (std::size_t row = 0; row < one.size(); ++row) {
        if (one[row].size() != other[row].size()) {
            return false;
        }
        for (std::size_t cell = 0; cell < one[row].size(); ++cell) {
            const long double a = one[row][cell];
            const long double b = other[row][cell];
            // The x87 format's padding bytes are undefined: compare the ten that hold the value.
            if (std::memcmp(&a, &b, std::min<std::size_t>(10, sizeof a)) != 0) {
                return false;
            }
        }
    }
    return true;
}

class EditCommand : public QUndoCommand {
public:
    EditCommand(const QString& text, EditState before, EditState after,
                std::function<void(const EditState&)> apply)
        : QUndoCommand(text), before(std::move(before)), after(std::move(after)),
          apply(std::move(apply)) {}

    void undo() override { apply(before); }
    void redo() override {
        // Pushing the command redoes it; the edit itself has already happened then.
        if (done) {
            done = false;
            return;
        }
        apply(after);
    }

private:
    EditState before;
    EditState after;
    std::function<void(const EditState&)> apply;
    bool done = true;
};

} // namespace

bool EditState::operator==(const EditState& other) const {
    return sameBits(pattern, other.pattern) && range == other.range && selected == other.selected &&
           fixed == other.fixed && weightFunction == other.weightFunction &&
           typedWeights == other.typedWeights;
}

EditHistory::EditHistory(std::function<EditState()> capture,
                         std::function<void(const EditState&)> apply, QObject* parent)
    : QObject(parent), capture(std::move(capture)), apply(std::move(apply)),
      undoStack(new QUndoStack(this)) {}

void EditHistory::begin(const QString& text) {
    if (depth++ == 0) {
        pendingText = text;
        before = capture();
    }
}

void EditHistory::commit() {
    if (depth == 0 || --depth > 0) {
        return;
    }
    EditState after = capture();
    if (after != before) {
        undoStack->push(new EditCommand(pendingText, std::move(before), std::move(after), apply));
    }
    before = EditState();
}

void EditHistory::clear() {
    undoStack->clear();
    undoStack->setClean();
}

void EditHistory::markUnsaved() {
    undoStack->resetClean();
}
