#include "app/review/tuningrecord.h"

#include "app/making/tuningmaking.h"

#include <QCoreApplication>

#include <map>
#include <utility>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("TuningRecord", text);
}

QString notesText(const std::vector<int>& notes) {
    return notes.empty() ? tr("none") : noteListText(notes);
}

// The notes the search kept, as the analysis marked them.
std::vector<int> fixedNotes(const TuningRecord& record) {
    std::vector<int> fixed;
    for (const analysis::NoteRow& row : record.analysis.notes) {
        if (row.fixed) {
            fixed.push_back(row.note);
        }
    }
    return fixed;
}

// The intervals of shared pairs whose size, or weight under the same weighting, was edited.
int editedCells(const TuningRecord& now, const TuningRecord& then, bool sameWeighting) {
    std::map<std::pair<int, int>, const analysis::IntervalRow*> earlier;
    for (const analysis::IntervalRow& row : then.analysis.intervals) {
        earlier[{row.from, row.to}] = &row;
    }
    int edited = 0;
    for (const analysis::IntervalRow& row : now.analysis.intervals) {
        const auto found = earlier.find({row.from, row.to});
        if (found == earlier.end()) {
            continue;
        }
        const bool sizeEdited = found->second->storedCents != row.storedCents;
        const bool weightEdited = sameWeighting && found->second->weight != row.weight;
        edited += sizeEdited || weightEdited ? 1 : 0;
    }
    return edited;
}

} // namespace

QStringList settingDifferences(const TuningRecord& now, const TuningRecord& then) {
    const KeptTuning& a = now.kept;
    const KeptTuning& b = then.kept;
    QStringList differences;
    const auto differ = [&differences](const QString& what, const QString& is, const QString& was) {
        if (is != was) {
            differences << tr("%1 %2 (was %3)").arg(what, is, was);
        }
    };
    differ(tr("dial"), QString::number(a.dial), QString::number(b.dial));
    differ(tr("weight function"), a.weightFunction, b.weightFunction);
    differ(tr("attenuation"), QString::number(a.attenuation), QString::number(b.attenuation));
    differ(tr("notes tuned"), notesText(a.notes), notesText(b.notes));
    differ(tr("fixed notes"), notesText(fixedNotes(now)), notesText(fixedNotes(then)));
    const bool sameWeighting =
        a.weightFunction == b.weightFunction && a.attenuation == b.attenuation;
    if (const int edited = editedCells(now, then, sameWeighting); edited > 0) {
        differences << (edited == 1 ? tr("edited cells (1 interval)")
                                    : tr("edited cells (%1 intervals)").arg(edited));
    }
    return differences;
}
