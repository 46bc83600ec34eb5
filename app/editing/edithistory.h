#pragma once

#include "core/scalespace.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QUndoStack;

// What an edit of the scale space can change, and what undoing it puts back: the sizes bit
// for bit, the range, the selected and fixed notes, and typed weights where there are any.
struct EditState {
    SizePattern pattern;
    int range = 0;
    std::vector<int> selected;
    std::vector<int> fixed;
    int weightFunction = 0; // the weight function box's entry
    std::optional<std::vector<long double>> typedWeights;

    bool operator==(const EditState& other) const;
    bool operator!=(const EditState& other) const { return !(*this == other); }
};

// The undo history of the scale space shown. An edit is bracketed by begin() and commit(); the
// state is taken at the outermost begin and at its commit, so a paste of many cells is one
// command. Undo and redo put the whole state back through the window's apply function.
class EditHistory : public QObject {
    Q_OBJECT

public:
    EditHistory(std::function<EditState()> capture, std::function<void(const EditState&)> apply,
                QObject* parent);

    QUndoStack* stack() const { return undoStack; }

    // One command for everything done while it lives.
    class Scope {
    public:
        Scope(EditHistory* history, const QString& text) : history(history) {
            history->begin(text);
        }
        ~Scope() { history->commit(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        EditHistory* history;
    };

    void begin(const QString& text);
    // Records the command if the state changed since the outermost begin.
    void commit();
    // Another scale space is shown: nothing before it can be undone, and it is unmodified.
    void clear();
    // Shown unmodified only once saved: an imported space exists in no file yet.
    void markUnsaved();

private:
    std::function<EditState()> capture;
    std::function<void(const EditState&)> apply;
    QUndoStack* undoStack;
    int depth = 0;
    QString pendingText;
    EditState before;
};
