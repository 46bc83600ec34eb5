#pragma once

#include "tuning/searchinput.h"
#include "tuning/searchthreads.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The weighted search of traversePath (plainsearch.h) as a sum over the levels it reaches.
//
// A level with current note c and exponents e that add up to 1 returns the weighted geometric
// mean of its proposals; a proposal that is cut (or through note 0, or c itself) is s(0 -> c),
// one through m is s(m -> c) times m's own level. Taking logarithms and unrolling from the top:
//
//   log t(i) = log s(0 -> i) + sum over every level L reached below the top of A_L * h(p, m)
//
// where A_L is the level's path weight, m its current note, p its parent's, and
// h(p, m) = log s(0 -> m) + log s(m -> p) - log s(0 -> p). Exponents are at most 1, so weights
// only shrink along a path: a level is reached exactly when its own weight exceeds the cutoff.
//
// Every level of the first depths is reached through its own path, breadth first, with its
// weight as the recursion multiplies it; at the depth where filing the next no longer pays, the
// weights are filed under their state: the current note and the list of notes left, which is
// all that the subtree below depends on. A depth that does not fit the memory budget is filed
// a part of its states at a time. Each state's subtree is then walked once with
// weights relative to the state, whatever the number of weights filed there and whichever notes
// they tune: a level below adds a * h times the sum of the filed weights A with A * a above the
// cutoff (a prefix of them, sorted in descending order). A weight within a few units in the
// last place of the cutoff is decided by the recursion's own step-by-step product, so every
// level is counted exactly when the recursion reaches it; the value differs from the
// recursion's by the rounding of sums against products of powers.
//
// The states are shared out among threads. The flag is noticed at every state and every few
// thousand levels within one.
class SplitSearch {
public:
    // What the filed weights, their states and the exponent table may take. The threads'
    // scratch and what the heap keeps of it come on top: quillmere-tune peaked at 186 MB on
    // 17edo at dial 900 (filed in parts).
    static constexpr std::size_t defaultMemoryBudget = std::size_t(160) << 20;

    // The input's logarithms must stand for it (SearchInput::takesLogarithms).
    SplitSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest,
                const std::size_t& memoryBudget = defaultMemoryBudget);
    ~SplitSearch();
    SplitSearch(const SplitSearch&) = delete;
    SplitSearch& operator=(const SplitSearch&) = delete;

    // What plainTuneNote gives for each listed note (1 for note 0, the stored size for a fixed
    // note), in the list's order; empty when cancelled. tick is called on this thread every few
    // tens of milliseconds while the threads search. The counter, if given, is told the share of
    // the time that has passed, as a pilot forecasts the whole and, once the last depth's walk
    // has gone far enough to tell, as its own pace does (workUnits in all once the search has
    // ended): the search begins with some tenths of a second of pilot searches.
    std::vector<long double> tune(const std::vector<int>& notes, const int& threads,
                                  WorkCounter* work, const std::function<void()>& tick);

    // The units of work that tune counts.
    static constexpr std::uint64_t workUnits = std::uint64_t(1) << 32;

    // The deepest split of the last search, and the weights and states it filed.
    int splitDepth() const { return depth; }
    std::size_t filedWeights() const { return filed; }
    std::size_t states() const { return stateCount; }
    // Files the weights no deeper than this (for measuring).
    void setDepthLimit(const int& limit) { depthLimit = limit; }

private:
    class Frontier;
    class Walker;
    struct Children;
    struct Expansion;
    class ListChildren;

    // Sets the first levels of the listed notes; false when none is to be searched.
    bool startFrontier(Frontier& frontier, const std::vector<int>& notes);
    // Searches below the kept frontier, whose levels are in the sums: files the next depth while
    // that pays and fits, then walks the states of the last. A last depth that does not fit
    // is filed in parts, each holding the states whose hash falls in it, so that every state
    // still gathers all of its weights; each part is walked in turn. False when cancelled.
    bool descend(const int& threads, const std::function<void()>& tick);
    // In how many parts the frontier's next depth is to be filed; 0 when it is better walked.
    std::size_t partsBelow(const Frontier& frontier,
                           const std::vector<Expansion>& expansions) const;
    // What the next frontier may take while the frontier and its expansions are held.
    std::size_t roomBelow(const Frontier& frontier, const std::vector<Expansion>& expansions) const;
    // Walks the frontier's states, the search's progress going from `low` to `high`.
    bool walkFrontier(const Frontier& frontier, const int& threads,
                      const std::function<void()>& tick, const double& low, const double& high);
    // Whether the expansion files weights (not for a fixed child).
    bool files(const Expansion& expansion) const;
    // What the expansions file in the next frontier.
    std::size_t filedBytes(const std::vector<Expansion>& expansions,
                           const std::size_t& words) const;
    std::vector<Expansion> findExpansions(const Frontier& frontier, const int& threads,
                                          const std::function<void()>& tick) const;
    // Files the targets of the expansions in the part as states of the next frontier; the
    // expansions of the other parts are marked as such.
    void fileTargets(const Frontier& frontier, std::vector<Expansion>& expansions, Frontier& next,
                     const std::size_t& part, const std::size_t& parts) const;
    // Writes the weights of the next frontier, and adds every level of it to the sums.
    void fillNext(const Frontier& frontier, const std::vector<Expansion>& expansions,
                  Frontier& next, const int& threads, const std::function<void()>& tick);
    // The weights that an expansion files, in descending order, with the local term of its
    // levels; the run's head is the weight at `next`.
    struct Run {
        long double exponent = 0;
        long double term = 0;
        long double head = 0;
        std::size_t next = 0;
        std::size_t end = 0;
    };
    Run runOf(const Frontier& frontier, const Expansion& expansion) const;
    // Files the runs' weights from `first` on, in descending order, and adds their levels to
    // the sum.
    static void mergeRuns(const Frontier& frontier, std::vector<Run>& runs, Frontier& next,
                          const std::size_t& first, std::vector<long double>& sum);
    // Whether walking every state of the frontier would go through more than this many levels,
    // judged from a sample of them (or true when cancelled).
    bool walkExceeds(const Frontier& frontier, const std::size_t& levels) const;
    // Walks the frontier's states; false when cancelled.
    bool walkStates(const Frontier& frontier, const int& threads,
                    const std::function<void()>& tick);
    // The search's time, forecast from pilot searches at raised cutoffs, as one figure (empty
    // when cancelled).
    std::vector<double> forecastTime(const std::vector<int>& notes, const int& threads,
                                     const std::function<void()>& tick);
    // A pilot's time on the clock, and the processor time of all its threads, which a loaded
    // machine does not stretch by its waits.
    struct PilotTime {
        double wall;
        double processor;
    };
    // The search's time at the raised cutoff; none when cancelled.
    std::optional<PilotTime> pilot(const std::vector<int>& notes, const int& threads,
                                   const std::function<void()>& tick,
                                   const long double& raisedCutoff);
    // Searches the notes together (their levels share states); false when cancelled.
    bool searchGroup(const std::vector<int>& notes, const int& threads,
                     const std::function<void()>& tick);
    // The exponents of a list of notes, as the recursion computes them, in list order.
    void exactExponents(const int* notes, const int& size, long double* exponents) const;
    // The members above 0 of the list with their exponents, by descending exponent (ties by
    // note); their number.
    int sortedChildren(const int* notes, const int& size, std::uint16_t* childNotes,
                       long double* childExponents) const;
    // For the lists of at most this many notes.
    void buildExponentTable(const int& largestList, const int& threads,
                            const std::function<void()>& tick);

    const SearchInput input;
    std::atomic<bool>& cancelationRequest;
    std::size_t budget;
    // What the frontiers may take: the budget less the exponent table's share.
    std::size_t frontierBudget = 0;
    int depthLimit = std::numeric_limits<int>::max();
    bool tabled = false;
    int noteCount = 0;
    long double cutoff = 0;
    bool everyPathFollowed = false;
    std::vector<long double> weights; // noteCount x noteCount, 1 on the diagonal
    // h(p, m) at [p * noteCount + m].
    std::vector<long double> localTerms;
    std::vector<double> roughTerms;
    std::vector<char> fixed;
    // Per note, the sum of A * h over the levels found so far; per thread while walking.
    std::vector<long double> sums;

    // For up to tableNotes notes: every list's members above 0 by descending exponent, the
    // exponents in double, at tableOffsets[list without note 0 as a bit mask].
    std::vector<std::uint32_t> tableOffsets;
    std::vector<std::uint16_t> tableNotes;
    std::vector<double> tableExponents;

    // Per thread, the children of the lists it met last.
    mutable std::vector<std::unique_ptr<ListChildren>> lists;

    // How far the walks have got: the progress at the current walk's start and end, its states
    // walked, of how many, and since when the first walk began (unset before it).
    double walkLow = 0;
    double walkHigh = 0;
    std::atomic<std::size_t> statesWalked{0};
    std::size_t statesToWalk = 0;
    bool walkBegun = false;
    std::chrono::steady_clock::time_point walkStarted;
    // The share of the search done after these seconds in all, as the walks' pace so far
    // forecasts it; below 0 before the walks have gone far enough to tell.
    double walkShare(const double& elapsed) const;

    // The frontier of the depth reached and the one the next depth is filed in.
    std::unique_ptr<Frontier> kept;
    std::unique_ptr<Frontier> spare;

    int depth = 0;
    std::size_t filed = 0;
    std::size_t stateCount = 0;
};
