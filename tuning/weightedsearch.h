#pragma once

#include "tuning/searchinput.h"
#include "tuning/searchthreads.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The weighted path search of traversePath (plainsearch.h), started from the list of all notes,
// without searching the same sub-path twice and without raising a number to a power.
//
// A level (current note c, notes S, path weight A) depends on A only through its cutoff tests
// "e * A <= cutoff", at this level and below it with A multiplied down the path; its exponents
// depend on S alone. The same (c, S) is reached again and again, through other orders of the
// removed notes and from other notes being tuned. So each level's result is remembered together
// with the range of path weights over which every one of its cutoff tests comes out the same,
// and a later visit whose path weight lies inside that range takes the remembered value.
//
// A level's result is a product of powers of proposals, so the search works with logarithms:
// each power is a product of an exponent and a sum of logarithms, and only the note being tuned
// takes an exponential. The cutoff tests are those of the recursion, operation for operation,
// so every path is followed or cut exactly as there; the value differs from the recursion's by
// the rounding of the two ways of computing it, a few parts in 1e19.
//
// What is remembered lives in large blocks, bounded by a memory budget; when it is spent,
// everything is forgotten at once (the blocks are given back, nothing is taken apart) and
// remembered afresh, which costs time but never changes a result. The search notices the
// cancellation flag at every level and within the exponents of a large list of notes.
class WeightedSearch {
public:
    // What a 13-note table needs up to a dial of about 900 without forgetting, and little
    // enough that the window with a table of a thousand notes stays within 256 MB. The search's
    // copies of the table's weights and sizes count towards it.
    static constexpr std::size_t defaultMemoryBudget = std::size_t(80) << 20;

    WeightedSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest,
                   const std::size_t& memoryBudget = defaultMemoryBudget);

    // What traversePath(note, [0, 1, ..., K], 1, 1 / sumProdWeights([0, 1, ..., K]))
    // returns, to a few parts in 1e19, for a note in 0 ... K; a meaningless value once the run is
    // cancelled.
    long double tuneFromAllNotes(const int& note);

    // Counts the work of each note in the counter: unitsPerNote when the note is tuned, and as
    // the search goes, the share of the paths from the first levels it has gone through.
    void countWork(WorkCounter* counter, const std::uint64_t& unitsPerNote);

    // Levels computed, levels answered from remembered results, and how often everything
    // remembered was forgotten, since construction.
    std::uint64_t computedLevels() const { return computed; }
    std::uint64_t reusedLevels() const { return reused; }
    std::uint64_t forgettings() const { return clearings; }

private:
    // The logarithm of the result of one level and the closed range of path weights over which
    // it holds; an empty range (low > high) when it holds for its own path weight only.
    struct Outcome {
        long double value;
        long double low;
        long double high;
    };

    // Results (their logarithms) for closed, disjoint ranges of path weights, ordered: each
    // range is the set of path weights for which one combination of cutoff decisions holds.
    // The ends are doubles rounded inwards. The lower ends lie side by side, so that a search
    // among them touches few cache lines.
    struct Pieces {
        void* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t capacity = 0;
        // The piece found last: a level is often visited again with a path weight near the last.
        mutable std::uint32_t lastFound = 0;
        double* lows() const { return static_cast<double*>(data); }
        double* highs() const { return lows() + capacity; }
        long double* values() const { return reinterpret_cast<long double*>(highs() + capacity); }
    };
    static constexpr std::size_t pieceBytes = 2 * sizeof(double) + sizeof(long double);
    // A result that holds for one path weight only, where a test sat too close to its cutoff for
    // a range.
    struct ExactPiece {
        long double pathWeight;
        long double value;
    };

    struct Record;
    // One entry m of a level's list: its exponent, and m's own record for the list without c,
    // once visited.
    struct Term {
        long double exponent = 0;
        // Up to this path weight the power is the root power whether the path through m is
        // followed or cut (see learnFlatness), rounded down; 0 when that is not so.
        double flatUpTo = 0;
        double inverseExponent = 0;
        // Whether the power through m just past the cutoff is the root power: -1 not known yet.
        signed char flat = -1;
        Record* via = nullptr;
    };

    // Everything remembered about one (current note, list of notes).
    struct Record {
        // First, so that one cache line brings it in.
        Pieces results;
        int note = 0;
        std::uint32_t termCount = 0;
        std::uint64_t hash = 0;
        Term* terms = nullptr;
        // The result when every path from this level is cut.
        long double allCutValue = 0;
        bool allCutKnown = false;
        std::uint8_t exactCount = 0;
        ExactPiece* exactPieces = nullptr;
    };

    // Memory handed out from large blocks and given back all at once; freed arrays of pieces
    // are kept by size for reuse. What lives here is never taken apart.
    class Arena {
    public:
        explicit Arena(const std::size_t& blockSize) : blockSize(blockSize) {}
        void* allocate(const std::size_t& bytes);
        void* allocatePieces(const std::uint32_t& capacity);
        void freePieces(void* pieces, const std::uint32_t& capacity);
        void release();
        std::size_t size() const { return total; }

    private:
        std::size_t blockSize;
        std::vector<std::unique_ptr<unsigned char[]>> blocks;
        unsigned char* next = nullptr;
        std::size_t left = 0;
        std::size_t total = 0;
        // By capacity 4 << class, each linking to the next through its first bytes.
        std::vector<void*> freeLists;
    };

    void prepare();
    // The level of `note` over the list at this depth, through its record if known; false when
    // cancelled. `record` is left pointing to the level's record.
    bool visit(const int& depth, const int& note, const long double& pathWeight, Record*& record,
               Outcome& out);
    void prepareChildList(const int& depth, const int& removedNote);
    // log s(c -> m) for every m, worked out when c first follows a path.
    const long double* logSizesFrom(const int& note);
    // Finds out whether following the path through entry k of the list at this depth, just
    // past its cutoff, proposes the power that cutting it does (but for rounding), and up to which
    // path weight; false when cancelled. The list of the next depth must be this one's without the
    // current note.
    bool learnFlatness(Record& record, const int& depth, const std::size_t& k, const int& note);
    // The path weight up to which the level of the note over the list at this depth is known to
    // give the result of cutting every path.
    long double allCutUpTo(const Record& record, const int& depth) const;
    std::size_t listOffset(const int& depth) const;
    const std::uint64_t* listKey(const int& depth) const;
    bool overBudget() const;

    Record* findRecord(const std::uint64_t& hash, const int& depth, const int& note);
    // Null when cancelled while computing the exponents.
    Record* addRecord(const std::uint64_t& hash, const int& depth, const int& note);
    bool computeExponents(const int& depth, Record& record);
    bool recall(const Record& record, const long double& pathWeight, Outcome& out) const;
    void remember(Record& record, const long double& pathWeight, const Outcome& outcome);
    // The result whose range holds the path weight, if there is one.
    static bool findPiece(const Pieces& pieces, const long double& pathWeight, Outcome& out);
    // Adds a piece in order, unless its range is empty once its ends are doubles; false then.
    bool addPiece(Pieces& pieces, const long double& low, const long double& high,
                  const long double& value);
    void growSlots();
    void forget();

    const SearchInput input;
    std::atomic<bool>& cancelationRequest;
    std::size_t memoryBudget;
    bool prepared = false;
    // A NaN weight or cutoff answers every cutoff test "no" whatever the path weight, and a size
    // that is not a positive number has no logarithm; such input is searched by the plain
    // recursion.
    bool plainOnly = false;
    // With a cutoff of 0 no test depends on the path weight, since every product of an
    // exponent and a path weight stays above 0.
    bool rangesMatter = true;
    long double cutoff = 0;
    // What the tables below take, whatever is remembered.
    std::size_t tableBytes = 0;

    int noteCount = 0;                // K + 1
    std::size_t words = 0;            // 64-bit words per set of notes
    std::vector<long double> weights; // noteCount x noteCount, 1 on the diagonal
    std::vector<char> fixed;
    std::vector<long double> logRootSizes; // log s(0 -> c)
    // noteCount x noteCount, filled a row at a time (and left uninitialised, so that a large
    // table's rows take memory only once they are used).
    std::unique_ptr<long double[]> logSizes;
    std::vector<char> logSizesReady;

    // The list of the level being computed at each depth (depth d holds noteCount - d notes),
    // and its set of notes as a bit mask.
    std::vector<int> listNotes;
    std::vector<std::uint64_t> listKeys;

    // Records by (note, set): open addressing over record numbers + 1 in the low half of a
    // slot and the upper half of the key's hash in the high half; 0 for a free slot.
    Arena arena;
    std::vector<Record*> records;
    std::vector<std::uint64_t> recordKeys;
    std::vector<std::uint64_t> recordSlots;
    // Counts the forgettings; a level holding a record finds it again when this has moved.
    std::uint64_t epoch = 0;

    std::uint64_t computed = 0;
    std::uint64_t reused = 0;
    std::uint64_t clearings = 0;

    // The note's share of the work, counted down to this depth: the levels of these depths
    // each split their share among their entries.
    static constexpr int countedDepths = 3;
    void countShare(const long double& share);
    WorkCounter* work = nullptr;
    std::uint64_t workPerNote = 0;
    std::uint64_t workCounted = 0;
    long double shareBefore[countedDepths + 1] = {};
    long double shareOf[countedDepths + 1] = {};
};
