#pragma once

#include "app/work/workstate.h"

#include <QObject>

#include <functional>
#include <utility>

class EditHistory;
class QAbstractSlider;
class QComboBox;
class QSpinBox;
class ScaleSpace;
class ScaleSpaceEditor;
class ScaleSpaceModel;
class TuningOutput;

// Between the window's controls and the work its file keeps: what is shown now, as the file
// would keep it, and putting what a file kept back into the controls.
class WorkBinding : public QObject {
    Q_OBJECT

public:
    struct Parts {
        ScaleSpace* space;
        ScaleSpaceEditor* editor;
        EditHistory* history;
        ScaleSpaceModel* model;
        TuningOutput* output;
        QComboBox* weightFunctionBox;
        QAbstractSlider* dial;
        QAbstractSlider* attenuation;
        QSpinBox* precisionBox;
        // The window's own mode switches, which keep their buttons in step.
        std::function<void(DisplayMode)> showDisplay;
        std::function<void(IntervalMode)> showInterval;
    };
    WorkBinding(const Parts& parts, QObject* parent);

    // Everything the window shows now, in table notes.
    WorkState capture() const;
    // What a file that keeps these table notes holds: the sizes of the space they span and
    // the work in its numbering. No sizes for fewer than two notes, which make no space.
    std::pair<SizePattern, dbManager::StoredExtras>
    fileContents(const std::vector<int>& notes) const;
    // Puts a file's work into the controls, after its sizes are shown as the named space; a
    // file that kept none leaves them as they are. The kept tuning is shown, out of date unless
    // it still matches. Nothing of it can be undone. A status line when part of the work was
    // left out.
    void apply(const dbManager::ScaleSpaceRead& read, const QString& name);

signals:
    void statusMessage(const QString& text);

private:
    void applyWork(const WorkState& work);
    void applyTuning(const KeptTuning& tuning, const QString& name);

    Parts parts;
};
