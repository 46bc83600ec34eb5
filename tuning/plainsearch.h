#pragma once

#include "tuning/searchinput.h"

#include <atomic>
#include <vector>

// The weighted search as a plain recursion over paths through the notes. It is the definition
// that the faster searches follow and the reference they are checked and measured against; they
// also fall back on it for input they cannot take (NaN weights or cutoff, sizes beyond any
// interval).

// The clamped product of the weights of the intervals from the note to every listed note, in
// list order; 0 for an empty list.
long double prodWeights(const SearchInput& input, const int& note, const std::vector<int>& notes);
// The sum of prodWeights over the members of the list, in list order.
long double sumProdWeights(const SearchInput& input, const std::vector<int>& notes);

// The weighted geometric mean of the proposals for notes[position] made by every note of the
// list; a proposal through another note recurses on the list without the current note while the
// path weight stays above the cutoff.
long double traversePath(const SearchInput& input, const int& position,
                         const std::vector<int>& notes, const long double& pathWeight,
                         const long double& normaliser, std::atomic<bool>& cancelationRequest);

// One note's pitch relative to note 0: 1 for note 0, the stored size for a fixed note, else
// traversePath from the list of all notes.
long double plainTuneNote(const SearchInput& input, const int& note,
                          std::atomic<bool>& cancelationRequest);
// plainTuneNote for every note 0 ... K.
std::vector<long double> plainTuning(const SearchInput& input,
                                     std::atomic<bool>& cancelationRequest);
