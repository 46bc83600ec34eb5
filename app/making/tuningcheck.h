#pragma once

// Whether a table can be tuned at all: the search needs every interval between the notes to
// tune to be a usable size, or it runs for minutes and prints infinities.

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class ScaleSpace;

// The size of the interval from one table note up to another, unclamped.
using SizeLookup = std::function<long double(const int& from, const int& to)>;

// The first interval (in table order) between two of the notes, ascending, whose size is not
// usable, as one sentence: "Cannot make a tuning: the size of interval [1, 8] is not
// positive." Nothing when every size is usable.
std::optional<QString> findUntunableInterval(const std::vector<int>& notes, const SizeLookup& size);
// The same for the notes of a scale space, sizes straight from its pattern.
std::optional<QString> findUntunableInterval(const std::vector<int>& notes,
                                             const ScaleSpace& space);
