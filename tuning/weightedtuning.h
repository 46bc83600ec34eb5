#pragma once

#include "tuning/searchinput.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

// The weighted tuning of every note 0 ... K: a pass over sets of notes, on `threads` threads,
// where no path is cut and its tables fit; otherwise the split search of SplitSearch on
// `threads` threads, or for input whose logarithms do not stand for it the plain recursion.
// Either way the values are plainTuneNote's to about 1e-16 relative (1.3e-16 at most over the
// random tables of the tests).
//
// noteTuned(i) is called for i = 0, 1, ..., K in order, once note i and every note before it
// are tuned (by the split search, all at its end); workPartsDone with millionths of the work
// expected (workParts), rising, below 1000000, as the search advances. Both are called on this
// thread. Once the flag is set, every note not yet tuned is answered with 1 (and still reported)
// and the values are meaningless.
std::vector<long double> makeWeightedTuning(const SearchInput& input,
                                            std::atomic<bool>& cancelationRequest,
                                            const std::function<void(const int&)>& noteTuned,
                                            const std::function<void(int)>& workPartsDone,
                                            const int& threads);

// The path-weight search of every note, on `threads` threads that remember together within the
// memory budget (bytes); reported as makeWeightedTuning reports, but from note 1.
std::vector<long double> tuneByPathWeights(const SearchInput& input,
                                           std::atomic<bool>& cancelationRequest,
                                           const std::function<void(const int&)>& noteTuned,
                                           const std::function<void(int)>& workPartsDone,
                                           const int& threads, const std::size_t& memoryBudget);
