#pragma once

#include "tuning/searchinput.h"
#include "tuning/searchthreads.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
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
// the rounding of the two ways of computing it: 1e-17 relative at most over 400 random tables.
//
// What is remembered lives in large blocks, bounded by a memory budget; when it is spent,
// everything is forgotten at once (the blocks are given back, nothing is taken apart) and
// remembered afresh, which costs time but never changes a result. The search notices the
// cancellation flag at every level and within the exponents of a large list of notes.
//
// Searches on several threads may remember together in one Memory, so that what one finds
// serves the others: they find and add records in one table, and read and write each record's
// results under a lock of the record's own. They forget only all together, each at the start of
// a level, where it holds no record; the results are those of one search, but for rounding.
class WeightedSearch {
public:
    // What a 13-note table needs up to a dial of about 900 without forgetting, and little
    // enough that the window with a table of a thousand notes stays within 256 MB. The search's
    // copies of the table's weights and sizes count towards it.
    static constexpr std::size_t defaultMemoryBudget = std::size_t(80) << 20;

    class Memory;

    // A search on one thread that remembers for itself.
    WeightedSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest,
                   const std::size_t& memoryBudget = defaultMemoryBudget);
    // One thread's search among several that remember together in the memory.
    WeightedSearch(Memory& memory, std::atomic<bool>& cancelationRequest);
    ~WeightedSearch();
    WeightedSearch(const WeightedSearch&) = delete;
    WeightedSearch& operator=(const WeightedSearch&) = delete;

    // What traversePath(note, [0, 1, ..., K], 1, 1 / sumProdWeights([0, 1, ..., K]))
    // returns, to about 1e-17 relative, for a note in 0 ... K; a meaningless value once the run is
    // cancelled.
    long double tuneFromAllNotes(const int& note);
    // The power that entry k of the list of all notes adds to the note's top level: its
    // exponent times the logarithm of its proposal. The logarithm of what tuneFromAllNotes
    // returns is the sum of these over k = 0 ... K in order, but for rounding, so several
    // threads may search the entries of one note at once. For a note above 0 that is not fixed,
    // and input whose logarithms stand for it (SearchInput::takesLogarithms); meaningless once
    // the run is cancelled.
    long double searchEntry(const int& note, const int& entry);

    // Counts the work of each call of tuneFromAllNotes or searchEntry in the counter: units in
    // all once the call returns, and as the search goes, the share of the paths from the first
    // levels it has gone through.
    void countWork(WorkCounter* counter, const std::uint64_t& unitsPerCall);

    // Levels computed and levels answered from remembered results by this thread, and how
    // often everything remembered was forgotten, since construction.
    std::uint64_t computedLevels() const { return computed; }
    std::uint64_t reusedLevels() const { return reused; }
    std::uint64_t forgettings() const;

private:
    // The logarithm of the result of one level and the closed range of path weights over which
    // it holds; an empty range (low > high) when it holds for its own path weight only.
    struct Outcome {
        long double value;
        long double low;
        long double high;
    };

    // A long double is kept in the bytes that hold its value: 10 of the 16 in the x87 extended
    // format, which a search holds millions of.
#if defined(__x86_64__) || defined(__i386__)
    static constexpr std::size_t packedBytes =
        std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
#else
    static constexpr std::size_t packedBytes = sizeof(long double);
#endif
    static void pack(unsigned char* to, const long double& value) {
        std::memcpy(to, &value, packedBytes);
    }
    static long double unpack(const unsigned char* from) {
        long double value = 0;
        std::memcpy(&value, from, packedBytes);
        return value;
    }

    // Results (their logarithms) for closed, disjoint ranges of path weights, ordered: each
    // range is the set of path weights for which one combination of cutoff decisions holds.
    // The ends are doubles rounded inwards. The lower ends lie side by side, so that a search
    // among them touches few cache lines.
    // Read and written under the record's lock; the data and the size are atomic only so that
    // a search may ask for them to be fetched without taking the lock.
    struct Pieces {
        std::atomic<void*> data{nullptr};
        std::atomic<std::uint32_t> size{0};
        std::uint32_t capacity = 0;
        // The piece found last: a level is often visited again with a path weight near the last.
        mutable std::uint32_t lastFound = 0;
        double* lows() const { return static_cast<double*>(data.load(std::memory_order_relaxed)); }
        double* highs() const { return lows() + capacity; }
        unsigned char* values() const {
            return reinterpret_cast<unsigned char*>(highs() + capacity);
        }
        long double value(const std::size_t& index) const {
            return unpack(values() + index * packedBytes);
        }
    };
    static constexpr std::size_t pieceBytes = 2 * sizeof(double) + packedBytes;
    // A result that holds for one path weight only, where a test sat too close to its cutoff for
    // a range.
    struct ExactPiece {
        long double pathWeight;
        long double value;
    };

    struct Record;
    // One entry m of a level's list: its exponent, and m's own record for the list without c,
    // once visited. What a search learns here is written while others may read it: each value
    // it may hold is true, so the last written serves.
    struct Term {
        // The exponent, packed.
        unsigned char exponentBytes[packedBytes] = {};
        // Whether the power through m just past the cutoff is the root power: -1 not known yet.
        std::atomic<signed char> flat{-1};
        // Up to this path weight the power is the root power whether the path through m is
        // followed or cut (see learnFlatness), rounded down; 0 when that is not so.
        std::atomic<float> flatUpTo{0};
        std::atomic<Record*> via{nullptr};
        long double exponent() const { return unpack(exponentBytes); }
    };

    // Everything remembered about one (current note, list of notes). The pieces and the exact
    // pieces are read and written under the record's lock.
    struct Record {
        // First, so that one cache line brings it in.
        Pieces results;
        std::atomic<bool> locked{false};
        std::uint8_t exactCount = 0;
        int note = 0;
        std::uint32_t termCount = 0;
        std::uint64_t hash = 0;
        Term* terms = nullptr;
        ExactPiece* exactPieces = nullptr;
        // The result when every path from this level is cut; written once, before the flag.
        long double allCutValue = 0;
        std::atomic<bool> allCutKnown{false};
    };
    class RecordLock;

    class Arena;

    void prepare();
    // The level of `note` over the list at this depth, through its record if known; false when
    // cancelled. `record` is left pointing to the level's record.
    bool visit(const int& depth, const int& note, const long double& pathWeight, Record*& record,
               Outcome& out);
    // Sets up the list of all notes at depth 0 and finds or adds the note's record there; null
    // when cancelled.
    Record* topRecord(const int& note);
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

    Record* findRecord(const std::uint64_t& hash, const int& depth, const int& note);
    // Null when cancelled while computing the exponents.
    Record* addRecord(const std::uint64_t& hash, const int& depth, const int& note);
    Record* findOrAddRecord(const int& depth, const int& note);
    bool computeExponents(const int& depth, Record& record);
    // `seen` is left holding the number of pieces searched.
    bool recall(Record& record, const long double& pathWeight, Outcome& out,
                std::uint32_t* seen = nullptr) const;
    // Unless the record still holds the `seen` pieces that did not hold the path weight,
    // another thread may have added the piece meanwhile, and it is looked for first.
    void remember(Record& record, const long double& pathWeight, const Outcome& outcome,
                  const std::uint32_t& seen);
    static constexpr std::uint32_t unseen = ~std::uint32_t(0);
    // The result whose range holds the path weight, if there is one.
    static bool findPiece(const Pieces& pieces, const long double& pathWeight, Outcome& out);
    // Adds a piece in order, unless its range is empty once its ends are doubles; false then.
    bool addPiece(Pieces& pieces, const long double& low, const long double& high,
                  const long double& value);
    // Scratch for computeExponents.
    std::vector<long double> products;
    // searchEntry by the plain recursion.
    long double plainEntryPower(const int& note, const int& entry);
    // Searches without remembering from now on, after memory ran out.
    void giveUpRemembering();

    // A search of its own makes its memory on the first search, where running out of memory
    // is caught.
    std::unique_ptr<SearchInput> ownInput;
    std::size_t ownBudget = 0;
    std::unique_ptr<Memory> ownMemory;
    Memory* memory;
    Arena* arena = nullptr;
    std::atomic<bool>& cancelationRequest;
    bool prepared = false;
    // A NaN weight or cutoff answers every cutoff test "no" whatever the path weight, and a size
    // that is not a positive number has no logarithm; such input is searched by the plain
    // recursion, as is everything once memory ran out.
    bool plainOnly = false;
    bool joined = false;
    long double cutoff = 0;
    int noteCount = 0;
    std::size_t words = 0;

    // noteCount x noteCount, filled a row at a time (and left uninitialised, so that a large
    // table's rows take memory only once they are used).
    std::unique_ptr<long double[]> logSizes;
    std::vector<char> logSizesReady;

    // The list of the level being computed at each depth (depth d holds noteCount - d notes),
    // and its set of notes as a bit mask.
    std::vector<int> listNotes;
    std::vector<std::uint64_t> listKeys;

    std::uint64_t computed = 0;
    std::uint64_t reused = 0;

    // The call's share of the work, counted down to this depth: the levels of these depths
    // each split their share among their entries. Deep enough that a level below it, searched
    // afresh after forgetting, takes well under two seconds (17edo at dial 900: 4 depths left
    // the bar standing for 9.5 s).
    static constexpr int countedDepths = 7;
    void startCounting(const int& depth);
    // The call has gone through this many of its units; they reach the counter in batches of
    // a 4096th of the call, since threads adding to one counter at every level slow each other.
    void countUpTo(const std::uint64_t& units);
    void finishCounting();
    WorkCounter* work = nullptr;
    std::uint64_t workPerCall = 0;
    std::uint64_t workBatch = 1;
    std::uint64_t workCounted = 0;
    std::uint64_t workAdded = 0;
    // Units of the call before each level of the path being searched, and in it.
    std::uint64_t unitsBefore[countedDepths + 1] = {};
    std::uint64_t unitsOf[countedDepths + 1] = {};
};

// Memory handed out from the memory's blocks and given back all at once; freed arrays of pieces
// are kept by size for reuse. What lives here is never taken apart. Each thread has one.
class WeightedSearch::Arena {
public:
    explicit Arena(Memory& memory) : memory(memory) {}
    void* allocate(const std::size_t& bytes);
    void* allocatePieces(const std::uint32_t& capacity);
    void freePieces(void* pieces, const std::uint32_t& capacity);
    // With the memory's mutex held.
    void release();

private:
    Memory& memory;
    unsigned char* next = nullptr;
    std::size_t left = 0;
    // By capacity class (see nextCapacity), each linking to the next through its first bytes.
    std::vector<void*> freeLists;
};

// What the searches of one table remember, shared by the threads that search it: the table's
// weights and logarithms, the records by (note, set of notes) and the arenas they live in.
class WeightedSearch::Memory {
public:
    Memory(const SearchInput& input, const std::size_t& budget);
    ~Memory();
    Memory(const Memory&) = delete;
    Memory& operator=(const Memory&) = delete;

private:
    friend class WeightedSearch;

    // A new thread's arena; the thread takes part in forgetting until it leaves.
    Arena* join();
    void leave();
    bool overBudget() const;
    // Waits until every thread that takes part has come here too (or left), and the last
    // forgets everything.
    void forgetTogether();
    void forgetNow();

    const SearchInput input;
    std::size_t budget;
    bool plainOnly = false;
    // With a cutoff of 0 no test depends on the path weight, since every product of an
    // exponent and a path weight stays above 0.
    bool rangesMatter = true;
    long double cutoff = 0;
    int noteCount = 0;
    std::size_t words = 0;
    std::vector<long double> weights; // noteCount x noteCount, 1 on the diagonal
    std::vector<char> fixed;
    std::vector<long double> logRootSizes; // log s(0 -> c)
    // What the tables take, whatever is remembered; each thread adds its own.
    std::atomic<std::size_t> tableBytes{0};

    // Records by (note, set): open addressing over record numbers + 1 in the low half of a
    // slot and the upper half of the key's hash in the high half; 0 for a free slot. Sized for
    // every record the budget holds: a thread adds a slot with one compare-and-swap.
    std::size_t maxRecords = 0;
    // Records the threads may add between two checks of the budget.
    std::size_t recordsInFlight = 0;
    std::unique_ptr<std::atomic<std::uint64_t>[]> recordSlots;
    std::size_t slotMask = 0;
    std::unique_ptr<Record*[]> records;
    std::unique_ptr<std::uint64_t[]> recordKeys;
    std::atomic<std::size_t> recordCount{0};
    std::atomic<std::size_t> arenaBytes{0};

    // A block for an arena: one of those given back at the last forgetting if there is one.
    // Blocks are kept until the memory goes, so that forgetting and remembering afresh takes
    // no more memory than the budget, however the threads' shares fall.
    unsigned char* takeBlock(const std::size_t& bytes);
    static constexpr std::size_t blockBytes = std::size_t(64) << 10;

    std::mutex mutex;
    std::condition_variable forgotten;
    std::vector<std::unique_ptr<Arena>> arenas;
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
    std::vector<unsigned char*> freeBlocks;
    // Blocks larger than blockBytes, for a record of very many notes; given back on forgetting.
    std::vector<std::unique_ptr<unsigned char[]>> largeBlocks;
    int taking = 0;
    int waiting = 0;
    std::atomic<bool> forgetRequested{false};
    // Counts the forgettings; a level holding a record finds it again when this has moved.
    // Written only while every other thread waits in forgetTogether.
    std::uint64_t epoch = 0;
};
