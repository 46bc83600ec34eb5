#pragma once

#include "core/interval.h"
#include "tuning/weightfunctions.h"

#include <algorithm>
#include <vector>

// What the weighted search reads: the intervals pattern of the notes 0 ... K (with their sizes
// and weights), the fixed notes and the weight cutoff. It refers to the pattern and the fixed
// notes, which must outlive it and stay unchanged while a search uses them.
struct SearchInput {
    const IntervalsPattern& pattern;
    const std::vector<int>& fixedNotes;
    long double cutoff = 0;

    // K + 1.
    int noteCount() const { return static_cast<int>(pattern.size()) + 1; }
    bool isFixed(const int& note) const {
        return std::find(fixedNotes.begin(), fixedNotes.end(), note) != fixedNotes.end();
    }
    // The size of the interval from note b up to note a: pitch(a) / pitch(b), clamped as an
    // Interval clamps it; 1 for the unison.
    long double size(const int& a, const int& b) const {
        if (a == b) {
            return 1;
        }
        if (a > b) {
            return pattern[b][a - b - 1].size;
        }
        return Interval::clamp(1 / pattern[a][b - a - 1].size);
    }
    // The weight of the interval between two notes, either way round; 1 for the unison.
    long double weight(const int& a, const int& b) const {
        if (a == b) {
            return 1;
        }
        const int low = std::min(a, b);
        const int high = std::max(a, b);
        return pattern[low][high - low - 1].weight;
    }
    // s(0 -> note): the stored interval from note 0, 1 for note 0 itself.
    long double sizeFromRoot(const int& note) const {
        return note == 0 ? 1 : pattern[0][note - 1].size;
    }

    // Whether the searches that sum logarithms give the recursion's results: a cutoff and
    // weights that are numbers (a NaN answers every cutoff test "no" whatever the path weight)
    // and sizes far enough inside the range of a double that their logarithms, and the
    // recursion's products, stand for them. Otherwise the plain recursion is used.
    bool takesLogarithms() const;
    // Whether no path is ever cut: the cutoff is at most 0, and the product of an exponent and
    // a path weight, each at least the smallest normal double, stays above 0 in long double
    // (as it does in the x87 extended format).
    bool cutsNoPath() const;
};
