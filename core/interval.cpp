#include "core/interval.h"

#include <cmath>

long double Interval::clamp(const long double& value) {
    if (std::isnan(value)) {
        return value;
    }
    if (value < lowest) {
        return lowest;
    }
    if (value > highest) {
        return highest;
    }
    return value;
}

Interval::Interval(const long double& size, const long double& weight)
    : size(clamp(size)), weight(clamp(weight)) {}

void Interval::setSize(const long double& newSize) { size = clamp(newSize); }

void Interval::setWeight(const long double& newWeight) { weight = clamp(newWeight); }

void Interval::setInterval(const long double& newSize, const long double& newWeight) {
    setSize(newSize);
    setWeight(newWeight);
}

void Interval::manageZeroWeight() {
    if (!(weight > 0)) {
        weight = -highest;
    }
}
