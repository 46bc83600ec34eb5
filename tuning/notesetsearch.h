#pragma once

#include "tuning/searchinput.h"
#include "tuning/searchthreads.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The weighted search when no path is ever cut, as one pass over sets of notes.
//
// With a cutoff of 0 every path is followed: a path weight is a clamped product, at least the
// smallest normal double, and so is every exponent, and their product stays above 0 in long
// double. A level's result then depends only on its current note c and its list S, not on the
// path that led there, and it is the same whichever note is being tuned. So the levels are
// computed once each, from the lists of two notes up to the list of all notes, and the last
// pass tunes every note at once.
//
// The exponents are those of the recursion, operation for operation. The results are summed
// as logarithms and kept as the logarithm's difference from log s(0 -> c): small numbers, so
// that a double holds them to far better than the result needs. Only the lists of one size and
// of the next are held at a time.
class NoteSetSearch {
public:
    // Tables up to this size keep a process that tunes 23 notes within 256 MB.
    static constexpr std::size_t defaultMemoryBudget = std::size_t(160) << 20;

    // Whether the pass gives the recursion's results: a cutoff that cuts no path, weights that
    // are numbers, sizes whose logarithms stand for them (as WeightedSearch requires); and its
    // tables within the budget.
    static bool applies(const SearchInput& input,
                        const std::size_t& memoryBudget = defaultMemoryBudget);
    // The largest memory the tables of a pass over this many notes take.
    static std::size_t tableBytes(const int& noteCount);
    // The units of work a pass over this many notes counts.
    static std::uint64_t workUnits(const int& noteCount);

    NoteSetSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest);

    // What plainTuneNote gives for every note 0 ... K, to about 1e-16 relative; empty when
    // cancelled. Each pass is shared out among the threads, and tick is called on this thread
    // meanwhile; the work done is added to the counter if there is one.
    std::vector<long double> tuneAllNotes(const int& threads, WorkCounter* work,
                                          const std::function<void()>& tick);

private:
    // One pass: the lists of `size` notes above 0 (with note 0: size + 1 notes), from the
    // results of the lists one note shorter.
    void computeLayer(const int& size, const double* previous, double* current,
                      std::vector<long double>& top, std::atomic<std::uint64_t>& nextChunk,
                      WorkCounter* work);

    const SearchInput input;
    std::atomic<bool>& cancelationRequest;
    int noteCount = 0;
    std::vector<long double> weights;      // noteCount x noteCount, 1 on the diagonal
    std::vector<long double> logRootSizes; // log s(0 -> c)
    // log s(m -> c) + log s(0 -> m) at [c * noteCount + m]: the proposal through m relative
    // to the root, but for m's own result.
    std::vector<long double> logViaSizes;
    std::vector<char> fixed;
    // binomials[n * (K + 1) + k]: n choose k, for the ranks of sets.
    std::vector<std::uint64_t> binomials;
};
