#include "tuning/weightfunctions.h"

#include "app/shared/tuningconstants.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

constexpr std::int64_t largestInteger = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t largestDenominator = 1000000;
constexpr int maximumTerms = 64;
// A fractional part this small (2^-52) means the expansion has used up a double's precision.
constexpr long double smallestFraction = 2.220446049250313e-16L;

// floor(value) as a 64-bit integer, saturating at the ends of its range instead of overflowing.
std::int64_t saturatingFloor(const long double& value) {
    // 2^63 is exact in long double, and every whole number in [-2^63, 2^63) converts exactly.
    constexpr long double limit = 9223372036854775808.0L;
    const long double floored = std::floor(value);
    if (std::isnan(floored)) {
        return 0;
    }
    if (floored >= limit) {
        return largestInteger;
    }
    if (floored < -limit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(floored);
}

// 1 / (p * q) for the ratio p / q at which the continued fraction of |size| stops: the first
// convergent within epsilon of it, or the last one whose denominator stays within 1000000.
// Simple ratios weigh much (3/2 -> 1/6), sizes far from any simple ratio almost nothing.
long double benedettiWeight(const long double& size) {
    if (size == 0 || std::isinf(size) || std::isnan(size)) {
        return 0;
    }
    const long double target = std::fabs(size);
    long double remainder = target;
    std::int64_t previousP = 0;
    std::int64_t previousQ = 1;
    std::int64_t p = 1;
    std::int64_t q = 0;
    for (int term = 1; term <= maximumTerms; ++term) {
        const std::int64_t a = saturatingFloor(remainder);
        if (a != 0 &&
            (p > (largestInteger - previousP) / a || q > (largestInteger - previousQ) / a)) {
            break; // the next convergent would overflow
        }
        const std::int64_t nextQ = a * q + previousQ;
        if (nextQ > largestDenominator) {
            break;
        }
        const std::int64_t nextP = a * p + previousP;
        // A zero denominator (possible only after a saturated term) is infinitely far away.
        const long double distance =
            nextQ == 0
                ? std::numeric_limits<long double>::infinity()
                : std::fabs(static_cast<long double>(nextP) / static_cast<long double>(nextQ) -
                            target);
        const long double fraction = remainder - static_cast<long double>(a);
        previousP = p;
        previousQ = q;
        p = nextP;
        q = nextQ;
        if (distance <= epsilon || fraction <= smallestFraction) {
            break;
        }
        remainder = 1 / fraction;
    }
    if (p == 0 || q == 0) {
        return 0;
    }
    return 1 / (static_cast<long double>(p) * static_cast<long double>(q));
}

long double uniformWeight(const long double& /*size*/) {
    return 1;
}

} // namespace

std::array<std::pair<QString, SizeToWeightFunction>, 2> populateWeightFunctionsMap() {
    return {
        {{weightFunctionNames.at(0), benedettiWeight}, {weightFunctionNames.at(1), uniformWeight}}};
}

IntervalsPattern makeIntervalsPattern(const ScaleSpace& space,
                                      const SizeToWeightFunction& weightFunction,
                                      const int& range) {
    if (range < 0) {
        throw std::length_error("makeIntervalsPattern: negative range");
    }
    IntervalsPattern pattern;
    pattern.reserve(static_cast<std::size_t>(range));
    for (int i = 0; i < range; ++i) {
        std::vector<Interval> row;
        row.reserve(static_cast<std::size_t>(range - i));
        for (int k = 0; k < range - i; ++k) {
            const long double size = space.getIntervalSize(i + k + 1, i);
            row.emplace_back(size, weightFunction(size));
        }
        pattern.push_back(std::move(row));
    }
    return pattern;
}
