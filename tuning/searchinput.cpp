#include "tuning/searchinput.h"

#include <cmath>
#include <limits>

namespace {

// Sizes far beyond any musical interval but whose reciprocals and products stay finite.
constexpr long double largestSize = 1e300L;
constexpr long double smallestSize = 1 / largestSize;

constexpr bool productsStayPositive = std::numeric_limits<long double>::min_exponent <
                                      2 * std::numeric_limits<double>::min_exponent - 2;

} // namespace

bool SearchInput::takesLogarithms() const {
    if (std::isnan(cutoff)) {
        return false;
    }
    for (const std::vector<Interval>& row : pattern) {
        for (const Interval& interval : row) {
            if (std::isnan(interval.weight) ||
                !(interval.size >= smallestSize && interval.size <= largestSize)) {
                return false;
            }
        }
    }
    return true;
}

bool SearchInput::cutsNoPath() const {
    return cutoff <= 0 && productsStayPositive;
}
