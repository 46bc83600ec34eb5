#include "app/table/workbinding.h"

#include "app/editing/edithistory.h"
#include "app/making/tuningmaking.h"
#include "app/output/tuningoutput.h"
#include "app/shared/tuningconstants.h"
#include "app/table/scalespaceeditor.h"
#include "core/scalespace.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QSpinBox>

WorkBinding::WorkBinding(const Parts& parts, QObject* parent) : QObject(parent), parts(parts) {}

WorkState WorkBinding::capture() const {
    WorkState work;
    const ScaleSpaceModel& model = *parts.model;
    work.weightFunction = parts.weightFunctionBox->currentText();
    work.attenuation = parts.attenuation->value();
    work.dial = parts.dial->value();
    work.range = model.getRange();
    work.precision = model.getPrecision();
    work.display = model.getDisplayMode();
    work.interval = model.getIntervalMode();
    work.selected = parts.editor->selectedNotes();
    work.fixed = model.getFixedNotes();
    if (model.getWeightMode() == WeightMode::Arbitrary) {
        work.weightFunction = arbitraryFunctionName;
        work.weights = keptWeights(model.getWeights(), model.getRange());
    }
    work.tuning = parts.output->kept();
    return work;
}

std::pair<SizePattern, dbManager::StoredExtras>
WorkBinding::fileContents(const std::vector<int>& notes) const {
    if (notes.size() < 2) {
        return {};
    }
    return {parts.space->makeSubSizePattern(notes),
            encodeWork(workOfNotes(capture(), notes), int(notes.size()) - 1)};
}

void WorkBinding::apply(const dbManager::ScaleSpaceRead& read, const QString& name) {
    const DecodedWork decoded = decodeWork(read.extras, parts.space->noteCount());
    if (decoded.present) {
        applyWork(decoded.work);
        if (decoded.work.tuning) {
            applyTuning(*decoded.work.tuning, name);
        }
    }
    parts.history->clear();
    QStringList ignored = decoded.ignored;
    if (read.extrasIgnored) {
        ignored.prepend(tr("damaged rows"));
    }
    if (!ignored.isEmpty()) {
        emit statusMessage(tr("Opened %1 without what it keeps of %2: it could not be read.")
                               .arg(name, ignored.join(QStringLiteral(", "))));
    }
}

void WorkBinding::applyWork(const WorkState& work) {
    ScaleSpaceModel& model = *parts.model;
    parts.precisionBox->setValue(work.precision);
    parts.showDisplay(work.display);
    parts.showInterval(work.interval);
    parts.dial->setValue(work.dial);
    // The function's weights depend on the attenuation; typed weights replace them after.
    parts.attenuation->setValue(work.attenuation);
    EditState state = parts.editor->captureState();
    state.range = work.range > 0 ? work.range : parts.space->noteCount() + 1;
    state.selected = work.selected;
    state.fixed = work.fixed;
    const int function = parts.weightFunctionBox->findText(
        work.weightFunction.isEmpty() ? weightFunctionNames.first() : work.weightFunction);
    state.weightFunction = std::max(function, 0);
    state.typedWeights.reset();
    parts.editor->applyState(state);
    if (work.weightFunction == arbitraryFunctionName) {
        state.typedWeights = tableWeights(work.weights, state.range, model.getWeights());
        parts.editor->applyState(state);
    }
}

void WorkBinding::applyTuning(const KeptTuning& tuning, const QString& name) {
    TuningSettings settings;
    settings.notes = parts.editor->notesToSave();
    settings.weightFunctionName = parts.weightFunctionBox->currentText();
    settings.dial = parts.dial->value();
    // Current only if a search now would read what this one read.
    KeptTuning now = keptTuningInput(settings, *parts.model);
    now.ratios = tuning.ratios;
    now.current = true;
    const bool current = tuning.current && now == tuning;
    parts.output->showLoaded(tuning,
                             describeTuning(name, tuning.notes, tuning.range, tuning.weightFunction,
                                            tuning.attenuation, tuning.dial),
                             current);
}
