#pragma once

// Making a tuning without a window: everything "Make" computes from the table and the
// controls, the search task itself, and the text of its result.

#include "core/interval.h"
#include "tuning/weightfunctions.h"

#include <QFuture>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

class ScaleSpaceModel;

// The interval from one table note up to another, as the table shows it.
using IntervalLookup = std::function<Interval(const int& row, const int& column)>;

// Everything the search needs, copied from the table and the controls before it starts.
struct TuningRequest {
    IntervalsPattern pattern;
    // Indexes into the notes to tune, ascending.
    std::vector<int> fixedPositions;
    long double cutoff = 0;
    bool unweighted = false;
};

// Everything "Make" reads, as the window's controls or the command line's options give it.
struct TuningSettings {
    // The notes to tune, ascending; every note 0 ... range - 1 when empty.
    std::vector<int> notes;
    QString weightFunctionName;
    int dial = 0;
    int dialMaximum = 1000;
};

// The one way a request is made, by the window and by the command line alike: the intervals
// pattern of the notes from the table's cached sizes and weights, the positions of the table's
// fixed notes among them, the dial's cutoff for their number, and the unweighted flag.
TuningRequest makeTuningRequest(const TuningSettings& settings, const ScaleSpaceModel& model);

// The weight cutoff of the dial for this many notes:
// ((max - value) / max) ^ (20 ((1024 - n) / 1024) ^ 20) / n, in double precision. The dial
// at 0 gives 1 / n and at its maximum 0; with 1024 notes the dial plays no part.
long double makeCutoff(const int& noteCount, const int& dialValue, const int& dialMaximum);

// The indexes (ascending) of the notes that are among the fixed notes.
std::vector<int> makeFixedPositions(const std::vector<int>& notes,
                                    const std::vector<int>& fixedNotes);

// The closed-form search is used for the "Uniform" weight function when no note at all is
// fixed, also none outside the notes to tune.
bool isUnweightedSearch(const QString& weightFunctionName, const std::vector<int>& fixedNotes);

// The intervals pattern of the notes (all notes 0 ... range - 1 when none is given), sorted:
// row i holds the intervals from the i-th note up to every later one.
IntervalsPattern makeNotesIntervalsPattern(std::vector<int> notes, const int& range,
                                           const IntervalLookup& interval);
// The same from the table's cached intervals.
IntervalsPattern makeNotesIntervalsPattern(const std::vector<int>& notes,
                                           const ScaleSpaceModel& model);

// The search: one frequency ratio per note to tune, relative to the lowest. Progress goes to
// the callback in whole percentages, after each note; the last report is 0 when the run was
// cancelled. A long weighted search also reports the share of its work done to workCallback
// (if given) in millionths (workParts), rising, below 1000000, at least every couple of seconds.
// Both are called on this thread.
std::vector<long double> makeTuning(const TuningRequest& request,
                                    std::atomic<bool>& cancelationRequest,
                                    const std::function<void(int)>& progressCallback,
                                    const std::function<void(int)>& workCallback = {});

// The tuning of a finished, not cancelled task; nothing when the task ended with an exception
// or without a tuning (a run that was not cancelled always has one).
std::optional<std::vector<long double>> takeTuning(const QFuture<std::vector<long double>>& future);

// A number as a narrow string stream with precision 15 writes it: the "%.15Lg" form, or the
// scientific one.
QString makeNumberText(const long double& value, bool scientific);
// A tuning value as printed: makeNumberText, with ".0" when the text has no point.
QString makeTuningValueText(const long double& value);
// The printed tuning, one entry per paragraph of the output: "Decimal tuning", the ratios,
// "\nCents tuning" (an empty line, then the heading) and the cents. Nothing for an empty
// tuning.
QStringList makeTuningLines(const std::vector<long double>& tuning);

// One-based numbers as the window shows them: "1-3,7" for 0, 1, 2, 6.
QString noteListText(const std::vector<int>& notes);
// What a tuning file says of its tuning: the settings it was made with. Built without arg()
// chains, which would read a "%1" in a scale space's name as a place for the next value.
QString describeTuning(const QString& name, const std::vector<int>& notes, const int& range,
                       const QString& weightFunctionName, const int& attenuation, const int& dial);
