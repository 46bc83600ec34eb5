#pragma once

#include "app/tune/tunecommand.h"
#include "storage/scalespaceread.h"

namespace tune {

// The file's kept work as the defaults of what the command line did not give: weight function
// (typed weights for "Arbitrary"), attenuation, dial, range, the selected notes as the notes
// to tune, and the fixed notes. Options given always win. A warning line when part of the
// work could not be read; empty otherwise.
QString applyKeptDefaults(TuneOptions& options, const dbManager::ScaleSpaceRead& read,
                          const int& noteCount);

// The name of the weighting the options tune with, "Arbitrary" for typed weights.
QString weightingName(const TuneOptions& options);

} // namespace tune
