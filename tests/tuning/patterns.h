#pragma once

// Intervals patterns for the tuning tests, written as a matrix of sizes and one of weights.

#include "tuning/weightfunctions.h"

#include <cmath>
#include <random>
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

enum class Weights { Benedetti, Uniform, Random };
inline const char* const weightsNames[] = {"Benedetti", "uniform", "random"};

// Sizes between pitches built from simple ratios, some of them put out of tune by a comma or
// so (so that the sizes disagree), or in one row in four sizes drawn at random.
inline IntervalsPattern randomPattern(std::mt19937& random, const int& notes,
                                      const Weights& weights) {
    const std::vector<long double> steps{16.0L / 15, 10.0L / 9, 9.0L / 8,
                                         6.0L / 5,   5.0L / 4,  4.0L / 3};
    const std::vector<long double> commas{81.0L / 80, 80.0L / 81, 128.0L / 125, 125.0L / 128,
                                          1.003L};
    std::uniform_int_distribution<std::size_t> step(0, steps.size() - 1);
    std::uniform_int_distribution<std::size_t> comma(0, commas.size() - 1);
    std::uniform_real_distribution<long double> unit(0, 1);
    const bool drawn = random() % 4 == 0;
    std::vector<long double> pitches{1};
    while (static_cast<int>(pitches.size()) < notes) {
        pitches.push_back(pitches.back() * steps[step(random)]);
    }
    const SizeToWeightFunction benedetti = populateWeightFunctionsMap()[0].second;
    IntervalsPattern pattern;
    for (int i = 0; i + 1 < notes; ++i) {
        pattern.emplace_back();
        for (int j = i + 1; j < notes; ++j) {
            long double size = pitches[j] / pitches[i];
            if (drawn) {
                size = 0.5L + 3 * unit(random);
            } else if (unit(random) < 0.3L) {
                size *= commas[comma(random)];
            }
            long double weight = 1;
            if (weights == Weights::Benedetti) {
                weight = benedetti(size);
            } else if (weights == Weights::Random) {
                weight = std::pow(10.0L, -6 * unit(random));
            }
            pattern.back().emplace_back(size, weight);
        }
    }
    return pattern;
}
