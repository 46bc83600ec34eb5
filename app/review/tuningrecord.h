#pragma once

// A tuning as the review keeps it: what it was made from and how it settled.

#include "analysis/tuninganalysis.h"
#include "app/work/workstate.h"

#include <QStringList>

struct TuningRecord {
    KeptTuning kept;
    analysis::TuningAnalysis analysis;
};

// The settings in which `now` differs from `then`, as a musician names them: dial, weight
// function, attenuation, selection, fixed notes and edited cells. Empty when none does.
QStringList settingDifferences(const TuningRecord& now, const TuningRecord& then);
