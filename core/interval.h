#pragma once

#include <limits>

// The size of one musical interval and the weight the tuning search gives it. Both fields
// stay within the positive finite range of a double, so that weights can always be
// multiplied and divided; NaN is kept as it is.
struct Interval {
    static constexpr long double lowest = std::numeric_limits<double>::min();
    static constexpr long double highest = std::numeric_limits<double>::max();

    long double size = 1;
    long double weight = 1;

    Interval() = default;
    Interval(const long double& size, const long double& weight);

    void setSize(const long double& newSize);
    void setWeight(const long double& newWeight);
    void setInterval(const long double& newSize, const long double& newWeight);
    // A weight that is not above 0 becomes the lowest finite value.
    void manageZeroWeight();

    static long double clamp(const long double& value);
};

// Whether a size can be stored, shown and tuned: positive, finite and within the normal range
// of a double, so that its reciprocal is one too.
inline bool isUsableSize(const long double& size) {
    return size >= Interval::lowest && size <= Interval::highest;
}
