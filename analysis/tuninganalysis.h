#pragma once

// How far a tuning strays from the sizes it was made from. Every figure is in cents and is
// computed from the ratios as the search returned them, not as they are printed.

#include "tuning/weightfunctions.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace analysis {

struct AnalysisInput {
    // The table notes tuned, ascending; notes[0] is the note every ratio is relative to.
    std::vector<int> notes;
    // One ratio per note, the first being 1.
    std::vector<long double> tuning;
    // The size and weight of every pair as the search read them: row i holds the intervals from
    // notes[i] up to every later note.
    IntervalsPattern pattern;
    // Table notes that were fixed; those among `notes` after the first are marked.
    std::vector<int> fixedNotes;
    // The scale space's number of notes N and repetition interval R, for the equal division.
    int noteCount = 0;
    long double repetition = 2;
    // False when the weights the tuning was made with are not known.
    bool weightsKnown = true;
};

struct NoteRow {
    int note = 0; // table note, counted from 0
    long double ratio = 1;
    long double cents = 0;
    bool fixed = false;
    // The deviation of the interval from the first note up to this one; 0 for the first.
    long double fromStored = 0;
    // cents - (note - first) * cents(R) / N.
    long double fromEqual = 0;
};

struct IntervalRow {
    int from = 0; // table notes, from < to
    int to = 0;
    long double storedCents = 0;
    long double tunedCents = 0;
    long double deviation = 0; // tuned - stored
    long double weight = 1;
};

struct TuningAnalysis {
    std::vector<NoteRow> notes;
    // Every pair of tuned notes, row by row of the pattern.
    std::vector<IntervalRow> intervals;
    // The interval of the largest |deviation| (the first of equals); none without intervals.
    std::optional<std::size_t> largest;
    // sqrt(sum w dev^2 / sum w); none without known weights or with no weight at all.
    std::optional<long double> weightedRms;

    long double largestDeviation() const { return largest ? intervals[*largest].deviation : 0; }
    // The deviation of the pair of table notes in either order (negative downwards); none
    // when either note was not tuned.
    std::optional<long double> deviation(const int& from, const int& to) const;
};

// An input whose sizes do not match its notes gives an empty analysis.
TuningAnalysis analyseTuning(const AnalysisInput& input);

long double cents(const long double& ratio);

// How much each note of `current` moved against `other`, in cents, with both tunings heard
// from the lowest note they share: none for a note that `other` did not tune.
std::vector<std::optional<long double>> compareTunings(const TuningAnalysis& current,
                                                       const TuningAnalysis& other);

} // namespace analysis
