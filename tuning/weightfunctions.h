#pragma once

#include "core/interval.h"
#include "core/scalespace.h"

#include <QString>

#include <array>
#include <functional>
#include <utility>
#include <vector>

// Derives an interval's weight from its size.
using SizeToWeightFunction = std::function<long double(const long double&)>;

// The intervals between M notes 0 ... M - 1: M - 1 rows, entry k of row i being the interval
// from note i up to note i + k + 1. Unlike a size pattern it implies no repetition interval.
using IntervalsPattern = std::vector<std::vector<Interval>>;

// The named weight functions in the order of the weight-function chooser: "Benedetti", then
// "Uniform". Built anew on every call.
std::array<std::pair<QString, SizeToWeightFunction>, 2> populateWeightFunctionsMap();

// The intervals pattern of the notes 0 ... range of the space (note N being note 0 one
// repetition up), weighted by the function. An empty pattern for range 0; a negative range
// throws std::length_error.
IntervalsPattern makeIntervalsPattern(const ScaleSpace& space,
                                      const SizeToWeightFunction& weightFunction, const int& range);
