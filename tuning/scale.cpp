#include "tuning/scale.h"

#include "tuning/plainsearch.h"
#include "tuning/searchthreads.h"
#include "tuning/splitsearch.h"
#include "tuning/weightedtuning.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Row i of K rows holds K - i entries.
template <typename Row> bool isTriangular(const std::vector<Row>& rows) {
    const std::size_t count = rows.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].size() != count - i) {
            return false;
        }
    }
    return true;
}

} // namespace

// The parent is deliberately not passed on: a Scale is a local of the tuning task.
Scale::Scale(QObject* /*parent*/) : QObject(nullptr), threadCount(searchThreadCount()) {}

Scale::Scale(const IntervalsPattern& pattern, QObject* /*parent*/)
    : QObject(nullptr), threadCount(searchThreadCount()) {
    if (isTriangular(pattern)) {
        intervalsPattern = pattern;
    }
}

Interval Scale::getInterval(const int& a, const int& b) const {
    if (a == b) {
        return Interval(1, 1);
    }
    if (a > b) {
        return intervalsPattern[b][a - b - 1];
    }
    const Interval& stored = intervalsPattern[a][b - a - 1];
    return Interval(1 / stored.size, stored.weight);
}

std::vector<std::vector<long double>> Scale::getSizes() const {
    std::vector<std::vector<long double>> sizes;
    sizes.reserve(intervalsPattern.size());
    for (const auto& row : intervalsPattern) {
        std::vector<long double>& sizeRow = sizes.emplace_back();
        sizeRow.reserve(row.size());
        for (const Interval& interval : row) {
            sizeRow.push_back(interval.size);
        }
    }
    return sizes;
}

std::vector<std::vector<long double>> Scale::getWeights() const {
    std::vector<std::vector<long double>> weights;
    weights.reserve(intervalsPattern.size());
    for (const auto& row : intervalsPattern) {
        std::vector<long double>& weightRow = weights.emplace_back();
        weightRow.reserve(row.size());
        for (const Interval& interval : row) {
            weightRow.push_back(interval.weight);
        }
    }
    return weights;
}

void Scale::normaliseWeights() {
    long double largest = 0;
    for (const auto& row : intervalsPattern) {
        for (const Interval& interval : row) {
            largest = std::max(largest, interval.weight);
        }
    }
    // Weights are positive once clamped; only NaN weights everywhere leave nothing to divide by.
    if (!(largest > 0)) {
        return;
    }
    for (auto& row : intervalsPattern) {
        for (Interval& interval : row) {
            interval.setWeight(interval.weight / largest);
        }
    }
}

void Scale::setFixedNotes(const std::vector<int>& notes) {
    fixedNotes.clear();
    const int count = noteCount();
    for (const int note : notes) {
        if (note >= 1 && note <= count) {
            fixedNotes.push_back(note);
        }
    }
}

void Scale::expandWeights(const long double& expansionFactor) {
    for (auto& row : intervalsPattern) {
        for (Interval& interval : row) {
            interval.setWeight(std::pow(interval.weight, 1 - expansionFactor));
        }
    }
}

void Scale::applyWeightFunction(SizeToWeightFunction function) {
    for (auto& row : intervalsPattern) {
        for (Interval& interval : row) {
            interval.setWeight(function(interval.size));
        }
    }
}

void Scale::setIntervalsPattern(const IntervalsPattern& newIntervalsPattern) {
    if (!isTriangular(newIntervalsPattern)) {
        return;
    }
    if (&newIntervalsPattern != &intervalsPattern) {
        intervalsPattern = newIntervalsPattern;
    }
    normaliseWeights();
}

void Scale::setWeightCutoff(long double newWeightCutoff) {
    if (newWeightCutoff < 0) {
        newWeightCutoff = 0;
    } else if (newWeightCutoff > 1) {
        newWeightCutoff = 1;
    }
    weightCutoff = newWeightCutoff;
}

void Scale::setWeights(const std::vector<std::vector<long double>>& newWeights) {
    if (!intervalsPattern.empty() && newWeights.size() == intervalsPattern.size() &&
        isTriangular(newWeights)) {
        for (std::size_t i = 0; i < intervalsPattern.size(); ++i) {
            for (std::size_t k = 0; k < intervalsPattern[i].size(); ++k) {
                intervalsPattern[i][k].setWeight(newWeights[i][k]);
            }
        }
    }
    normaliseWeights();
}

void Scale::setSizes(const std::vector<std::vector<long double>>& newSizes) {
    if (intervalsPattern.empty() || newSizes.size() != intervalsPattern.size() ||
        !isTriangular(newSizes)) {
        return;
    }
    for (std::size_t i = 0; i < intervalsPattern.size(); ++i) {
        for (std::size_t k = 0; k < intervalsPattern[i].size(); ++k) {
            intervalsPattern[i][k].setSize(newSizes[i][k]);
        }
    }
}

void Scale::setUnweighted(bool shouldBeUnweighted) {
    isUnweighted = shouldBeUnweighted;
}

// ----- The search -----

std::vector<long double> Scale::tuneScale(std::atomic<bool>& cancelationRequest,
                                          std::function<void(int)> progressCallback,
                                          const int& /*rootNote*/) const {
    if (cancelationRequest) {
        progressCallback(0);
        return {};
    }
    std::vector<long double> tuning =
        isUnweighted ? makeUnWeightedTuning()
                     : makeWeightedTuning(cancelationRequest, progressCallback);
    progressCallback(cancelationRequest ? 0 : 100);
    return tuning;
}

std::vector<long double> Scale::makeUnWeightedTuning() const {
    const int count = noteCount();
    const SearchInput input = searchInput();
    const long double exponent = 1.0L / (count + 1);
    std::vector<long double> tuning{1};
    tuning.reserve(static_cast<std::size_t>(count) + 1);
    for (int i = 1; i <= count; ++i) {
        long double pitch = 1;
        for (int j = 0; j <= count; ++j) {
            pitch *= std::pow(input.sizeFromRoot(j) * getInterval(i, j).size, exponent);
        }
        tuning.push_back(pitch);
    }
    return tuning;
}

std::vector<long double>
Scale::makeWeightedTuning(std::atomic<bool>& cancelationRequest,
                          std::function<void(int)> progressCallback) const {
    if (cancelationRequest) {
        progressCallback(0);
        return {};
    }
    const int count = noteCount();
    const auto noteTuned = [&progressCallback, &count](const int& note) {
        // Single precision, truncated: the progress bar's whole percentages. With no note
        // above 0 there is nothing to divide and the one report is 0.
        const float percent =
            count == 0 ? 0.0f : 100.0f * static_cast<float>(note) / static_cast<float>(count);
        progressCallback(static_cast<int>(percent));
    };
    std::vector<long double> tuning = ::makeWeightedTuning(searchInput(), cancelationRequest,
                                                           noteTuned, workCallback, threadCount);
    progressCallback(cancelationRequest ? 0 : 100);
    return tuning;
}

long double Scale::tuneNote(const int& note, std::atomic<bool>& cancelationRequest) const {
    if (cancelationRequest || note == 0) {
        return 1;
    }
    const SearchInput input = searchInput();
    if (input.isFixed(note)) {
        return input.sizeFromRoot(note);
    }
    if (!input.takesLogarithms()) {
        return plainTuneNote(input, note, cancelationRequest);
    }
    const std::vector<long double> tuned =
        SplitSearch(input, cancelationRequest).tune({note}, threadCount, nullptr, [] {});
    return tuned.empty() ? 1 : tuned.front();
}

long double Scale::traversePath(const int& position, const std::vector<int>& notes,
                                const long double& pathWeight, const long double& normaliser,
                                std::atomic<bool>& cancelationRequest) const {
    return ::traversePath(searchInput(), position, notes, pathWeight, normaliser,
                          cancelationRequest);
}

long double Scale::prodWeights(const int& note, const std::vector<int>& notes) const {
    return ::prodWeights(searchInput(), note, notes);
}

long double Scale::sumProdWeights(const std::vector<int>& notes) const {
    return ::sumProdWeights(searchInput(), notes);
}
