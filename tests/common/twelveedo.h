#pragma once

// The built-in "12edo" scale space as the tests and benchmarks build it without a file: cell
// (i, j) of its size pattern is the just size of j + 1 steps, from every note alike.

#include "core/scalespace.h"

#include <cstddef>
#include <vector>

namespace testing {

inline SizePattern twelveEdoPattern() {
    const std::vector<long double> steps{16.0L / 15, 9.0L / 8,   6.0L / 5,  5.0L / 4,
                                         4.0L / 3,   45.0L / 32, 3.0L / 2,  8.0L / 5,
                                         5.0L / 3,   9.0L / 5,   15.0L / 8, 2.0L};
    SizePattern pattern(steps.size());
    for (std::size_t row = 0; row < steps.size(); ++row) {
        pattern[row].assign(steps.begin(), steps.end() - static_cast<std::ptrdiff_t>(row));
    }
    return pattern;
}

} // namespace testing
