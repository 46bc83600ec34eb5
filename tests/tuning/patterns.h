#pragma once

// Intervals patterns for the tuning tests, written as a matrix of sizes and one of weights.

#include "tuning/weightfunctions.h"

#include <vector>

using Matrix = std::vector<std::vector<long double>>;

// Row i of both matrices holds the intervals from note i up to the later notes.
inline IntervalsPattern makePattern(const Matrix& sizes, const Matrix& weights) {
    IntervalsPattern pattern;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        pattern.emplace_back();
        for (std::size_t k = 0; k < sizes[i].size(); ++k) {
            pattern.back().emplace_back(sizes[i][k], weights[i][k]);
        }
    }
    return pattern;
}
