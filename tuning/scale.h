#pragma once

#include "core/interval.h"
#include "tuning/searchinput.h"
#include "tuning/weightfunctions.h"

#include <QObject>

#include <algorithm>
#include <atomic>
#include <functional>
#include <vector>

// The notes to tune, as an intervals pattern of K rows for the notes 0 ... K, together with the
// settings of the search: the fixed notes, the weight cutoff and the unweighted flag. The search
// expresses every pitch relative to note 0 and changes nothing in the object.
class Scale : public QObject {
    Q_OBJECT

public:
    explicit Scale(QObject* parent = nullptr);
    // Takes the pattern if it is valid, with its weights as they are (not normalised).
    explicit Scale(const IntervalsPattern& pattern, QObject* parent = nullptr);

    // The interval from note b up to note a, i.e. pitch(a) / pitch(b), with its weight.
    // Both notes must lie in 0 ... K.
    Interval getInterval(const int& a, const int& b) const;
    std::vector<std::vector<long double>> getSizes() const;
    std::vector<std::vector<long double>> getWeights() const;

    // Divides every weight by the largest, which becomes 1.
    void normaliseWeights();

    long double getWeightCutoff() const { return weightCutoff; }

    // Keeps the listed notes that lie in 1 ... K of the current pattern, in order, duplicates
    // included; note 0 is the reference and never fixed.
    void setFixedNotes(const std::vector<int>& notes);
    std::vector<int> getFixedNotes() const { return fixedNotes; }

    // The geometric mean over all two-step routes 0 -> j -> i; weights, fixed notes and the
    // cutoff play no part.
    std::vector<long double> makeUnWeightedTuning() const;
    // Tunes the notes 0 ... K, reporting whole percentages after each note (in note order)
    // and a final 100, or 0 when the run was cancelled (its values are then meaningless).
    std::vector<long double> makeWeightedTuning(std::atomic<bool>& cancelationRequest,
                                                std::function<void(int)> progressCallback) const;
    // A second, finer progress channel for the weighted search: millionths of the work
    // expected (workParts), rising and below 1000000, at least every couple of seconds while the
    // search advances, called on the thread that runs tuneScale. Empty for none.
    void setWorkCallback(std::function<void(int)> callback) { workCallback = std::move(callback); }
    // The pitch of one note relative to note 0 by the weighted search (the split search of
    // splitsearch.h, or the plain recursion for input whose logarithms do not stand for it).
    long double tuneNote(const int& note, std::atomic<bool>& cancelationRequest) const;
    // The plain recursion of plainsearch.h on this scale's pattern, fixed notes and cutoff:
    // the reference that the searches of tuneNote and makeWeightedTuning follow, far faster.
    long double traversePath(const int& position, const std::vector<int>& notes,
                             const long double& pathWeight, const long double& normaliser,
                             std::atomic<bool>& cancelationRequest) const;
    // The clamped product of the weights of the intervals from the note to every listed note;
    // 0 for an empty list.
    long double prodWeights(const int& note, const std::vector<int>& notes) const;
    // The sum of prodWeights over the members of the list.
    long double sumProdWeights(const std::vector<int>& notes) const;

    // What the searches read: this scale's pattern, fixed notes and cutoff, by reference.
    SearchInput searchInput() const {
        return SearchInput{intervalsPattern, fixedNotes, weightCutoff};
    }

public slots:
    void expandWeights(const long double& expansionFactor);
    void applyWeightFunction(SizeToWeightFunction function);
    void setIntervalsPattern(const IntervalsPattern& newIntervalsPattern);
    void setWeightCutoff(long double newWeightCutoff);
    void setWeights(const std::vector<std::vector<long double>>& newWeights);
    void setSizes(const std::vector<std::vector<long double>>& newSizes);
    void setUnweighted(bool shouldBeUnweighted = true);
    // The tuning of the notes 0 ... K relative to note 0 (rootNote has no effect). The last
    // progress report is 100, or 0 when the run was cancelled and its result is to be dropped.
    std::vector<long double> tuneScale(std::atomic<bool>& cancelationRequest,
                                       std::function<void(int)> progressCallback,
                                       const int& rootNote = 0) const;

private:
    int noteCount() const { return static_cast<int>(intervalsPattern.size()); }

    IntervalsPattern intervalsPattern;
    std::vector<int> fixedNotes;
    long double weightCutoff = 0;
    bool isUnweighted = false;
    std::function<void(int)> workCallback;
    int threadCount;
};
