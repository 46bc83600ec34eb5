#include "analysis/tuninganalysis.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

bool fits(const AnalysisInput& input) {
    const std::size_t count = input.notes.size();
    if (count == 0 || input.tuning.size() != count || input.pattern.size() + 1 != count) {
        return count == 1 && input.tuning.size() == 1 && input.pattern.empty();
    }
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (input.pattern[i].size() != count - 1 - i) {
            return false;
        }
    }
    return true;
}

std::vector<IntervalRow> intervalRows(const AnalysisInput& input) {
    std::vector<IntervalRow> rows;
    const std::size_t count = input.notes.size();
    rows.reserve(count * (count - 1) / 2);
    for (std::size_t i = 0; i + 1 < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            const Interval& stored = input.pattern[i][j - i - 1];
            IntervalRow row;
            row.from = input.notes[i];
            row.to = input.notes[j];
            row.storedCents = cents(stored.size);
            // One logarithm of the quotient: a consistent pair comes out at 0 exactly.
            row.tunedCents = cents(input.tuning[j] / input.tuning[i]);
            row.deviation = cents(input.tuning[j] / (input.tuning[i] * stored.size));
            row.weight = stored.weight;
            rows.push_back(row);
        }
    }
    return rows;
}

std::optional<long double> weightedRms(const std::vector<IntervalRow>& rows) {
    long double weighted = 0;
    long double total = 0;
    for (const IntervalRow& row : rows) {
        weighted += row.weight * row.deviation * row.deviation;
        total += row.weight;
    }
    if (!(total > 0)) {
        return std::nullopt;
    }
    return std::sqrt(weighted / total);
}

} // namespace

long double cents(const long double& ratio) {
    return 1200 * std::log2(ratio);
}

std::optional<long double> TuningAnalysis::deviation(const int& from, const int& to) const {
    const auto position = [this](const int& note) -> std::optional<std::size_t> {
        const auto found = std::lower_bound(
            notes.begin(), notes.end(), note,
            [](const NoteRow& row, const int& wanted) { return row.note < wanted; });
        if (found == notes.end() || found->note != note) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(found - notes.begin());
    };
    const std::optional<std::size_t> a = position(std::min(from, to));
    const std::optional<std::size_t> b = position(std::max(from, to));
    if (!a || !b) {
        return std::nullopt;
    }
    if (*a == *b) {
        return 0.0L;
    }
    // Row a of the pattern starts after the rows of the notes before it.
    const std::size_t count = notes.size();
    const std::size_t index = *a * (2 * count - *a - 1) / 2 + (*b - *a - 1);
    const long double value = intervals[index].deviation;
    return from <= to ? value : -value;
}

TuningAnalysis analyseTuning(const AnalysisInput& input) {
    TuningAnalysis result;
    if (!fits(input)) {
        return result;
    }
    result.intervals = intervalRows(input);
    const long double step = input.noteCount > 0 ? cents(input.repetition) / input.noteCount : 0.0L;
    for (std::size_t k = 0; k < input.notes.size(); ++k) {
        NoteRow row;
        row.note = input.notes[k];
        row.ratio = input.tuning[k];
        row.cents = cents(input.tuning[k]);
        // The first note is the reference the others are tuned from, never fixed.
        row.fixed = k > 0 && std::find(input.fixedNotes.begin(), input.fixedNotes.end(),
                                       row.note) != input.fixedNotes.end();
        // The pairs from the first note are the first row of the pattern.
        row.fromStored = k == 0 ? 0.0L : result.intervals[k - 1].deviation;
        row.fromEqual = row.cents - (row.note - input.notes.front()) * step;
        result.notes.push_back(row);
    }
    for (std::size_t i = 0; i < result.intervals.size(); ++i) {
        if (!result.largest || std::fabs(result.intervals[i].deviation) >
                                   std::fabs(result.intervals[*result.largest].deviation)) {
            result.largest = i;
        }
    }
    if (input.weightsKnown) {
        result.weightedRms = weightedRms(result.intervals);
    }
    return result;
}

std::vector<std::optional<long double>> compareTunings(const TuningAnalysis& current,
                                                       const TuningAnalysis& other) {
    std::vector<std::optional<long double>> deltas(current.notes.size());
    const auto centsIn = [](const TuningAnalysis& analysis,
                            const int& note) -> std::optional<long double> {
        for (const NoteRow& row : analysis.notes) {
            if (row.note == note) {
                return row.cents;
            }
        }
        return std::nullopt;
    };
    std::optional<long double> currentBase;
    std::optional<long double> otherBase;
    for (std::size_t k = 0; k < current.notes.size(); ++k) {
        const std::optional<long double> then = centsIn(other, current.notes[k].note);
        if (!then) {
            continue;
        }
        if (!currentBase) {
            currentBase = current.notes[k].cents;
            otherBase = *then;
        }
        deltas[k] = (current.notes[k].cents - *currentBase) - (*then - *otherBase);
    }
    return deltas;
}

} // namespace analysis
