#include "tuning/weightedsearch.h"

#include "core/interval.h"
#include "tuning/plainsearch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

namespace {

constexpr long double infinity = std::numeric_limits<long double>::infinity();

// Range ends are moved inwards by this fraction: far more than the rounding of the few
// multiplications and divisions that separate a range end from the test it stands for (about
// 1e-19 each, a thousand levels deep at most), far less than anything that matters for reuse.
constexpr long double margin = 1e-9L;

long double above(const long double& value) {
    return value * (1 + margin);
}
long double below(const long double& value) {
    return value * (1 - margin);
}

double roundedUp(const long double& value) {
    double rounded = static_cast<double>(value);
    return rounded < value ? std::nextafter(rounded, std::numeric_limits<double>::infinity())
                           : rounded;
}

float floatRoundedDown(const long double& value) {
    float rounded = static_cast<float>(value);
    return rounded > value ? std::nextafter(rounded, -std::numeric_limits<float>::infinity())
                           : rounded;
}

double roundedDown(const long double& value) {
    double rounded = static_cast<double>(value);
    return rounded > value ? std::nextafter(rounded, -std::numeric_limits<double>::infinity())
                           : rounded;
}

// The exact results kept per record for path weights that have no range.
constexpr std::uint8_t exactPiecesPerRecord = 4;
// A followed proposal whose logarithm differs from the root size's by no more than this
// fraction of the logarithms involved is taken for it: a few roundings of long double.
constexpr long double flatTolerance = 8 * std::numeric_limits<long double>::epsilon();

// Capacities of arrays of pieces: 2, 4, 6, 9, 13, 19, ..., each about half as large again as the
// one before, so that little of an array stands empty.
std::uint32_t nextCapacity(const std::uint32_t& capacity) {
    return capacity == 0 ? 2 : capacity + std::max<std::uint32_t>(2, capacity / 2);
}

std::size_t capacityClass(const std::uint32_t& capacity) {
    std::size_t sizeClass = 0;
    for (std::uint32_t step = 2; step < capacity; step = nextCapacity(step)) {
        ++sizeClass;
    }
    return sizeClass;
}

// Interval::clamp, inline for the innermost loop.
long double clamped(const long double& value) {
    if (value < Interval::lowest) {
        return Interval::lowest;
    }
    return value > Interval::highest ? Interval::highest : value;
}

void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    static_cast<void>(address);
#endif
}

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ULL;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebULL;
    value ^= value >> 31;
    return value;
}

std::uint64_t hashKey(const int& note, const std::uint64_t* key, const std::size_t& words) {
    std::uint64_t hash = mix(static_cast<std::uint64_t>(note) + 0x9e3779b97f4a7c15ULL);
    for (std::size_t w = 0; w < words; ++w) {
        hash = mix(hash ^ key[w]);
    }
    return hash;
}

} // namespace

// Spins: a record's lock is held for a binary search or an insertion among its pieces.
class WeightedSearch::RecordLock {
public:
    explicit RecordLock(const Record& record)
        : locked(const_cast<std::atomic<bool>&>(record.locked)) {
        while (locked.exchange(true, std::memory_order_acquire)) {
            while (locked.load(std::memory_order_relaxed)) {
#if defined(__x86_64__) || defined(__i386__)
                __builtin_ia32_pause();
#endif
            }
        }
    }
    ~RecordLock() {
        locked.store(false, std::memory_order_release);
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

private:
    std::atomic<bool>& locked;
};

WeightedSearch::Memory::Memory(const SearchInput& input, const std::size_t& budget)
    : input(input), budget(budget) {
    noteCount = input.noteCount();
    cutoff = input.cutoff;
    plainOnly = !input.takesLogarithms();
    rangesMatter = !input.cutsNoPath();
    const std::size_t count = static_cast<std::size_t>(noteCount);
    weights.assign(count * count, 1);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            const long double weight = input.pattern[i][j - i - 1].weight;
            weights[i * count + j] = weight;
            weights[j * count + i] = weight;
        }
    }
    fixed.assign(count, 0);
    logRootSizes.assign(count, 0);
    for (int note = 1; note < noteCount; ++note) {
        fixed[static_cast<std::size_t>(note)] = input.isFixed(note);
        logRootSizes[static_cast<std::size_t>(note)] = std::log(input.sizeFromRoot(note));
    }
    words = (count + 63) / 64;

    // Every record takes at least this much of the arenas, so the budget holds no more
    // records than this; a few more may come while the threads have not yet looked.
    constexpr std::size_t align = alignof(std::max_align_t);
    const std::size_t recordBytes = (sizeof(Record) + align - 1) / align * align +
                                    (count * sizeof(Term) + align - 1) / align * align;
    recordsInFlight = 64 * (count + 2);
    maxRecords = budget / recordBytes + recordsInFlight;
    std::size_t slotCount = 1024;
    while (slotCount < 2 * maxRecords) {
        slotCount *= 2;
    }
    recordSlots.reset(new std::atomic<std::uint64_t>[slotCount]);
    for (std::size_t slot = 0; slot < slotCount; ++slot) {
        recordSlots[slot].store(0, std::memory_order_relaxed);
    }
    slotMask = slotCount - 1;
    records.reset(new Record*[maxRecords]);
    recordKeys.reset(new std::uint64_t[maxRecords * words]);
    tableBytes = weights.size() * sizeof(long double) + slotCount * sizeof(std::uint64_t) +
                 maxRecords * (sizeof(Record*) + words * sizeof(std::uint64_t));
}

WeightedSearch::Memory::~Memory() = default;

WeightedSearch::Arena* WeightedSearch::Memory::join() {
    const std::lock_guard<std::mutex> lock(mutex);
    arenas.push_back(std::make_unique<Arena>(*this));
    ++taking;
    return arenas.back().get();
}

void WeightedSearch::Memory::leave() {
    const std::lock_guard<std::mutex> lock(mutex);
    --taking;
    // The others wait for this one no longer.
    if (waiting > 0 && waiting == taking) {
        forgetNow();
    }
}

bool WeightedSearch::Memory::overBudget() const {
    return tableBytes.load(std::memory_order_relaxed) + arenaBytes.load(std::memory_order_relaxed) >
               budget ||
           recordCount.load(std::memory_order_relaxed) + recordsInFlight > maxRecords;
}

void WeightedSearch::Memory::forgetTogether() {
    std::unique_lock<std::mutex> lock(mutex);
    // Another thread may have forgotten since this one looked.
    if (!forgetRequested.load(std::memory_order_relaxed) && !overBudget()) {
        return;
    }
    forgetRequested.store(true, std::memory_order_relaxed);
    ++waiting;
    if (waiting == taking) {
        forgetNow();
        return;
    }
    const std::uint64_t before = epoch;
    forgotten.wait(lock, [this, &before] { return epoch != before; });
}

// With the mutex held, and every other thread that takes part waiting.
void WeightedSearch::Memory::forgetNow() {
    for (const std::unique_ptr<Arena>& arena : arenas) {
        arena->release();
    }
    freeBlocks.clear();
    for (const std::unique_ptr<unsigned char[]>& block : blocks) {
        freeBlocks.push_back(block.get());
    }
    largeBlocks.clear();
    arenaBytes.store(0, std::memory_order_relaxed);
    for (std::size_t slot = 0; slot <= slotMask; ++slot) {
        recordSlots[slot].store(0, std::memory_order_relaxed);
    }
    recordCount.store(0, std::memory_order_relaxed);
    ++epoch;
    waiting = 0;
    forgetRequested.store(false, std::memory_order_relaxed);
    forgotten.notify_all();
}

WeightedSearch::WeightedSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest,
                               const std::size_t& memoryBudget)
    : ownInput(std::make_unique<SearchInput>(input)), ownBudget(memoryBudget), memory(nullptr),
      cancelationRequest(cancelationRequest) {}

WeightedSearch::WeightedSearch(Memory& memory, std::atomic<bool>& cancelationRequest)
    : memory(&memory), cancelationRequest(cancelationRequest) {}

WeightedSearch::~WeightedSearch() {
    if (joined) {
        memory->leave();
    }
}

std::uint64_t WeightedSearch::forgettings() const {
    return memory == nullptr ? 0 : memory->epoch;
}

void WeightedSearch::prepare() {
    prepared = true;
    if (memory == nullptr) {
        ownMemory = std::make_unique<Memory>(*ownInput, ownBudget);
        memory = ownMemory.get();
    }
    arena = memory->join();
    joined = true;
    noteCount = memory->noteCount;
    cutoff = memory->cutoff;
    plainOnly = memory->plainOnly;
    words = memory->words;
    const std::size_t count = static_cast<std::size_t>(noteCount);
    logSizes.reset();
    logSizesReady.assign(count, 0);
    listNotes.resize(count * (count + 1) / 2);
    listKeys.assign(count * words, 0);
    products.resize(count);
    // The table of logarithms counts in full from the start: every row may come to be used.
    memory->tableBytes += count * count * sizeof(long double) + listNotes.size() * sizeof(int) +
                          listKeys.size() * sizeof(std::uint64_t);
}

void WeightedSearch::giveUpRemembering() {
    plainOnly = true;
    if (joined) {
        joined = false;
        memory->leave();
    }
    // What this search alone remembered is given back; a shared memory's goes with the last
    // of its searches.
    if (ownMemory) {
        ownMemory.reset();
        memory = nullptr;
    }
}

void WeightedSearch::countWork(WorkCounter* counter, const std::uint64_t& unitsPerCall) {
    work = counter;
    workPerCall = unitsPerCall;
    workBatch = unitsPerCall / 4096 + 1;
}

void WeightedSearch::startCounting(const int& depth) {
    workCounted = 0;
    workAdded = 0;
    unitsBefore[depth] = 0;
    unitsOf[depth] = workPerCall;
}

void WeightedSearch::countUpTo(const std::uint64_t& units) {
    workCounted = std::max(workCounted, std::min(units, workPerCall));
    if (work != nullptr && workCounted - workAdded >= workBatch) {
        work->add(workCounted - workAdded);
        workAdded = workCounted;
    }
}

void WeightedSearch::finishCounting() {
    workCounted = workPerCall;
    if (work != nullptr && workCounted > workAdded) {
        work->add(workCounted - workAdded);
    }
    workAdded = workCounted;
}

WeightedSearch::Record* WeightedSearch::topRecord(const int& note) {
    std::iota(listNotes.begin(), listNotes.begin() + noteCount, 0);
    std::fill(listKeys.begin(), listKeys.begin() + static_cast<std::ptrdiff_t>(words), 0);
    for (int member = 0; member < noteCount; ++member) {
        listKeys[static_cast<std::size_t>(member) / 64] |= std::uint64_t(1) << (member % 64);
    }
    return findOrAddRecord(0, note);
}

long double WeightedSearch::tuneFromAllNotes(const int& note) {
    startCounting(0);
    long double result = 1;
    try {
        if (!prepared) {
            prepare();
        }
        if (!plainOnly) {
            Record* record = nullptr;
            Outcome outcome{};
            if (memory->forgetRequested.load(std::memory_order_relaxed) || memory->overBudget()) {
                memory->forgetTogether();
            }
            record = topRecord(note);
            result = record != nullptr && visit(0, note, 1, record, outcome)
                         ? std::exp(outcome.value)
                         : 1;
            finishCounting();
            return result;
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: search without remembering.
        giveUpRemembering();
    }
    // The memory itself may be what did not fit.
    const SearchInput& input = memory != nullptr ? memory->input : *ownInput;
    std::vector<int> allNotes(static_cast<std::size_t>(input.noteCount()));
    std::iota(allNotes.begin(), allNotes.end(), 0);
    result = traversePath(input, note, allNotes, 1, 1 / sumProdWeights(input, allNotes),
                          cancelationRequest);
    finishCounting();
    return result;
}

long double WeightedSearch::searchEntry(const int& note, const int& entry) {
    startCounting(1);
    long double power = 0;
    try {
        if (!prepared) {
            prepare();
        }
        if (plainOnly) {
            power = plainEntryPower(note, entry);
        } else {
            if (memory->forgetRequested.load(std::memory_order_relaxed) || memory->overBudget()) {
                memory->forgetTogether();
            }
            const Record* top = topRecord(note);
            if (top != nullptr) {
                // As visit takes the entry at the top level, whose path weight is 1.
                const long double exponent = top->terms[static_cast<std::size_t>(entry)].exponent();
                const long double logRootSize =
                    memory->logRootSizes[static_cast<std::size_t>(note)];
                power = exponent * logRootSize;
                if (entry != 0 && entry != note && !(exponent * 1 <= cutoff)) {
                    prepareChildList(0, note);
                    Record* child = nullptr;
                    Outcome outcome{};
                    if (visit(1, entry, clamped(exponent * 1), child, outcome)) {
                        power = exponent * (logSizesFrom(note)[entry] + outcome.value);
                    }
                }
            }
        }
    } catch (const std::bad_alloc&) {
        giveUpRemembering();
        power = plainEntryPower(note, entry);
    }
    finishCounting();
    return power;
}

long double WeightedSearch::plainEntryPower(const int& note, const int& entry) {
    const SearchInput& input = memory != nullptr ? memory->input : *ownInput;
    std::vector<int> notes(static_cast<std::size_t>(input.noteCount()));
    std::iota(notes.begin(), notes.end(), 0);
    const long double exponent =
        Interval::clamp(1 / sumProdWeights(input, notes) * prodWeights(input, entry, notes));
    if (entry == 0 || entry == note || exponent * 1 <= input.cutoff) {
        return exponent * std::log(input.sizeFromRoot(note));
    }
    std::vector<int> rest = notes;
    rest.erase(rest.begin() + note);
    const int position = entry > note ? entry - 1 : entry;
    const long double estimate = traversePath(input, position, rest, Interval::clamp(exponent * 1),
                                              1 / sumProdWeights(input, rest), cancelationRequest);
    return exponent * std::log(input.size(note, entry) * estimate);
}

// traversePath on the list at this depth: its cutoff tests operation for operation, its
// product of powers as a sum of logarithms.
bool WeightedSearch::visit(const int& depth, const int& note, const long double& pathWeight,
                           Record*& record, Outcome& out) {
    if (cancelationRequest) {
        return false;
    }
    // Only here, before this level holds a record, may everything be forgotten; the levels
    // above notice it and find theirs again.
    if (memory->forgetRequested.load(std::memory_order_relaxed) || memory->overBudget()) {
        const std::uint64_t before = memory->epoch;
        memory->forgetTogether();
        if (memory->epoch != before) {
            record = nullptr;
        }
    }
    if (record == nullptr && (record = findOrAddRecord(depth, note)) == nullptr) {
        return false;
    }
    std::uint32_t seen = unseen;
    if (recall(*record, pathWeight, out, &seen)) {
        ++reused;
        return true;
    }
    const Record* const searched = record;
    ++computed;
    std::uint64_t recordEpoch = memory->epoch;
    const std::uint64_t searchedEpoch = recordEpoch;

    const std::size_t count = static_cast<std::size_t>(noteCount - depth);
    const int* notes = &listNotes[listOffset(depth)];
    const bool currentFixed = memory->fixed[static_cast<std::size_t>(note)];
    const long double logRootSize = memory->logRootSizes[static_cast<std::size_t>(note)];
    const bool rangesMatter = memory->rangesMatter;
    // Below this a followed path would have its weight raised to the smallest normal double,
    // which the ranges do not account for.
    const long double followFloor = std::max(cutoff, static_cast<long double>(Interval::lowest));
    // Flatness matters only where paths are cut, and it needs the weights of followed paths to
    // stay above the smallest normal double.
    const bool flatnessUsable = rangesMatter && cutoff >= Interval::lowest;
    // The results of the levels this one goes on to lie far apart in memory: ask for all of
    // them, where the first steps of their binary searches go, before waiting for the first.
    for (std::size_t k = 0; k < count; ++k) {
        prefetch(record->terms[k].via.load(std::memory_order_acquire));
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (const Record* child = record->terms[k].via.load(std::memory_order_acquire);
            child != nullptr) {
            // Read without the child's lock: at worst a stale address is fetched.
            const double* lows = child->results.lows();
            const std::uint32_t size = child->results.size.load(std::memory_order_relaxed);
            prefetch(lows + size / 2);
            prefetch(lows + size / 4);
            prefetch(lows + size / 2 + size / 4);
        }
    }
    // Each entry's share of this level's units, when they are counted.
    const std::uint64_t unitsStep = depth < countedDepths ? unitsOf[depth] / count : 0;
    bool childListReady = false;
    const long double* sizeLogs = nullptr;
    long double result = 0;
    long double low = 0;
    long double high = infinity;
    for (std::size_t k = 0; k < count; ++k) {
        const int via = notes[k];
        const long double exponent = record->terms[k].exponent();
        // The ranges need not be exact, only inside the true ones: multiplying by the
        // reciprocal adds one more rounding, far below the margin.
        const long double inverse = 1 / exponent;
        // The logarithm of the power that the proposal makes.
        long double power;
        const bool direct = via == 0 || currentFixed || via == note;
        const bool cut = !direct && exponent * pathWeight <= cutoff;
        if (!direct && !cut && flatnessUsable &&
            record->terms[k].flat.load(std::memory_order_relaxed) < 0) {
            if (!childListReady) {
                prepareChildList(depth, note);
                childListReady = true;
            }
            if (!learnFlatness(*record, depth, k, note)) {
                return false;
            }
        }
        if (direct) {
            power = exponent * logRootSize;
        } else if (const float flatUpTo = record->terms[k].flatUpTo.load(std::memory_order_relaxed);
                   pathWeight <= flatUpTo) {
            power = exponent * logRootSize;
            high = std::min(high, static_cast<long double>(flatUpTo));
        } else if (cut) {
            if (rangesMatter) {
                high = std::min(high, below(cutoff * inverse));
            }
            power = exponent * logRootSize;
        } else {
            const long double viaWeight = clamped(exponent * pathWeight);
            Record* child = record->terms[k].via.load(std::memory_order_acquire);
            Outcome estimate{};
            if (child != nullptr && recall(*child, viaWeight, estimate)) {
                ++reused;
            } else {
                if (!childListReady) {
                    prepareChildList(depth, note);
                    childListReady = true;
                }
                if (depth < countedDepths) {
                    unitsBefore[depth + 1] = unitsBefore[depth] + unitsStep * k;
                    unitsOf[depth + 1] = unitsStep;
                }
                if (!visit(depth + 1, via, viaWeight, child, estimate)) {
                    return false;
                }
                if (memory->epoch != recordEpoch) {
                    if ((record = findOrAddRecord(depth, note)) == nullptr) {
                        return false;
                    }
                    recordEpoch = memory->epoch;
                }
                record->terms[k].via.store(child, std::memory_order_release);
                // The visit may have taught m's level that more of its paths are flat.
                if (flatnessUsable && record->terms[k].flat.load(std::memory_order_relaxed) > 0 &&
                    !learnFlatness(*record, depth, k, note)) {
                    return false;
                }
            }
            if (sizeLogs == nullptr) {
                sizeLogs = logSizesFrom(note);
            }
            power = exponent * (sizeLogs[via] + estimate.value);
            if (rangesMatter) {
                low = std::max({low, above(followFloor * inverse), above(estimate.low * inverse)});
                high = std::min(high, below(estimate.high * inverse));
            }
        }
        result += power;
        if (depth < countedDepths) {
            countUpTo(unitsBefore[depth] + unitsStep * (k + 1));
        }
    }
    out = Outcome{result, low, high};
    remember(*record, pathWeight, out,
             record == searched && memory->epoch == searchedEpoch ? seen : unseen);
    return true;
}

// The list of the next depth is this one without the current note. It stays the same for every
// level the current level visits directly, so it is written once per computed level.
void WeightedSearch::prepareChildList(const int& depth, const int& removedNote) {
    const int count = noteCount - depth;
    const int* notes = &listNotes[listOffset(depth)];
    int* childNotes = &listNotes[listOffset(depth + 1)];
    std::copy_if(notes, notes + count, childNotes,
                 [&removedNote](const int& note) { return note != removedNote; });
    const std::uint64_t* key = listKey(depth);
    std::uint64_t* childKey = &listKeys[static_cast<std::size_t>(depth + 1) * words];
    std::copy(key, key + words, childKey);
    childKey[removedNote / 64] &= ~(std::uint64_t(1) << (removedNote % 64));
}

const long double* WeightedSearch::logSizesFrom(const int& note) {
    const std::size_t count = static_cast<std::size_t>(noteCount);
    const std::size_t row = static_cast<std::size_t>(note);
    if (!logSizes) {
        logSizes.reset(new long double[count * count]);
    }
    long double* logs = &logSizes[row * count];
    if (!logSizesReady[row]) {
        for (int other = 0; other < noteCount; ++other) {
            logs[other] = std::log(memory->input.size(note, other));
        }
        logSizesReady[row] = 1;
    }
    return logs;
}

// Just past the cutoff of entry m, the path through m reaches m's level with a path weight at
// which every path from there is cut, so m's estimate is the product of m's root powers. When
// the proposal s(m -> c) times that estimate is the root size of c but for rounding (as it is
// where the sizes agree), the cutoff test of m changes nothing as long as m's level gives that
// estimate: up to the path weight where one of its own paths is followed, or, where those paths
// are flat in turn, further.
bool WeightedSearch::learnFlatness(Record& record, const int& depth, const std::size_t& k,
                                   const int& note) {
    Term& term = record.terms[k];
    const int via = listNotes[listOffset(depth) + k];
    Record* child = term.via.load(std::memory_order_acquire);
    if (child == nullptr) {
        // Only a visit may forget, so here the budget is kept by not learning.
        if (memory->overBudget()) {
            return true;
        }
        if ((child = findOrAddRecord(depth + 1, via)) == nullptr) {
            return false;
        }
        term.via.store(child, std::memory_order_release);
    }
    if (!child->allCutKnown.load(std::memory_order_acquire)) {
        const RecordLock lock(*child);
        if (!child->allCutKnown.load(std::memory_order_relaxed)) {
            // As visit sums it when every path is cut.
            const long double logRootSize = memory->logRootSizes[static_cast<std::size_t>(via)];
            long double value = 0;
            for (std::uint32_t j = 0; j < child->termCount; ++j) {
                value += child->terms[j].exponent() * logRootSize;
            }
            child->allCutValue = value;
            child->allCutKnown.store(true, std::memory_order_release);
        }
    }
    signed char flat = term.flat.load(std::memory_order_relaxed);
    if (flat < 0) {
        const long double logSize = logSizesFrom(note)[via];
        const long double logRootSize = memory->logRootSizes[static_cast<std::size_t>(note)];
        const long double followed = logSize + child->allCutValue;
        // Equal but for rounding: taking one for the other moves the result by no more than
        // the rounding of the sums themselves.
        const long double magnitude =
            std::fabs(logSize) + std::fabs(child->allCutValue) + std::fabs(logRootSize);
        flat = std::fabs(followed - logRootSize) <= flatTolerance * magnitude ? 1 : 0;
        term.flat.store(flat, std::memory_order_relaxed);
    }
    if (flat > 0) {
        const float upTo = floatRoundedDown(below(allCutUpTo(*child, depth + 1) / term.exponent()));
        // Another thread may raise it meanwhile; either bound holds.
        if (upTo > term.flatUpTo.load(std::memory_order_relaxed)) {
            term.flatUpTo.store(upTo, std::memory_order_relaxed);
        }
    }
    return true;
}

long double WeightedSearch::allCutUpTo(const Record& record, const int& depth) const {
    if (memory->fixed[static_cast<std::size_t>(record.note)]) {
        return infinity;
    }
    const int* notes = &listNotes[listOffset(depth)];
    long double upTo = infinity;
    for (std::size_t j = 0; j < record.termCount; ++j) {
        if (notes[j] == 0 || notes[j] == record.note) {
            continue;
        }
        const Term& term = record.terms[j];
        // Up to its cutoff a path is cut; a flat path gives the root power further still.
        upTo = std::min(
            upTo, std::max(static_cast<long double>(term.flatUpTo.load(std::memory_order_relaxed)),
                           below(cutoff / term.exponent())));
    }
    return upTo;
}

std::size_t WeightedSearch::listOffset(const int& depth) const {
    // Depths 0 ... depth - 1 hold noteCount, noteCount - 1, ... notes.
    const std::size_t d = static_cast<std::size_t>(depth);
    return d * static_cast<std::size_t>(noteCount) - d * (d - 1) / 2;
}

const std::uint64_t* WeightedSearch::listKey(const int& depth) const {
    return &listKeys[static_cast<std::size_t>(depth) * words];
}

WeightedSearch::Record* WeightedSearch::findRecord(const std::uint64_t& hash, const int& depth,
                                                   const int& note) {
    const std::uint64_t* key = listKey(depth);
    const std::uint64_t fingerprint = hash >> 32;
    const std::size_t mask = memory->slotMask;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = memory->recordSlots[slot].load(std::memory_order_acquire);
        if (entry == 0) {
            return nullptr;
        }
        if (entry >> 32 != fingerprint) {
            continue;
        }
        const std::size_t index = (entry & 0xffffffffULL) - 1;
        const std::uint64_t* stored = &memory->recordKeys[index * words];
        if (memory->records[index]->note == note && std::equal(stored, stored + words, key)) {
            return memory->records[index];
        }
    }
}

WeightedSearch::Record* WeightedSearch::addRecord(const std::uint64_t& hash, const int& depth,
                                                  const int& note) {
    const std::size_t count = static_cast<std::size_t>(noteCount - depth);
    Record& record = *new (arena->allocate(sizeof(Record))) Record();
    record.note = note;
    record.hash = hash;
    record.termCount = static_cast<std::uint32_t>(count);
    record.terms = static_cast<Term*>(arena->allocate(count * sizeof(Term)));
    for (std::size_t k = 0; k < count; ++k) {
        new (record.terms + k) Term();
    }
    // A cancelled record is left unused in the arena.
    if (!computeExponents(depth, record)) {
        return nullptr;
    }
    const std::size_t index = memory->recordCount.fetch_add(1, std::memory_order_relaxed);
    if (index >= memory->maxRecords) {
        // The budget checks leave room for every record added between them; this is not
        // reached, and if it were, searching on without remembering is right.
        throw std::bad_alloc();
    }
    const std::uint64_t* key = listKey(depth);
    std::copy(key, key + words, &memory->recordKeys[index * words]);
    memory->records[index] = &record;
    // Published by the slot: whoever finds it sees the record and its key whole.
    const std::uint64_t fingerprint = hash >> 32;
    const std::uint64_t entry = (fingerprint << 32) | (index + 1);
    const std::size_t mask = memory->slotMask;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        std::uint64_t seen = memory->recordSlots[slot].load(std::memory_order_acquire);
        if (seen == 0 && memory->recordSlots[slot].compare_exchange_strong(
                             seen, entry, std::memory_order_acq_rel, std::memory_order_acquire)) {
            return &record;
        }
        // Another thread may have added the same level meanwhile: its record serves.
        if (seen >> 32 == fingerprint) {
            const std::size_t other = (seen & 0xffffffffULL) - 1;
            const std::uint64_t* stored = &memory->recordKeys[other * words];
            if (memory->records[other]->note == note && std::equal(stored, stored + words, key)) {
                return memory->records[other];
            }
        }
    }
}

WeightedSearch::Record* WeightedSearch::findOrAddRecord(const int& depth, const int& note) {
    const std::uint64_t hash = hashKey(note, listKey(depth), words);
    Record* record = findRecord(hash, depth, note);
    return record != nullptr ? record : addRecord(hash, depth, note);
}

// The exponents clamp(B * P(m, S)) of the list at this depth, B = 1 / sum of P(p, S), with the
// products and the sum taken in list order as prodWeights and sumProdWeights take them.
bool WeightedSearch::computeExponents(const int& depth, Record& record) {
    const std::size_t count = static_cast<std::size_t>(noteCount - depth);
    const int* notes = &listNotes[listOffset(depth)];
    const std::size_t stride = static_cast<std::size_t>(noteCount);
    long double sum = 0;
    for (std::size_t k = 0; k < count; ++k) {
        // A list of a thousand notes takes milliseconds; cancelling must not wait for it.
        if (cancelationRequest) {
            return false;
        }
        const long double* row = &memory->weights[static_cast<std::size_t>(notes[k]) * stride];
        long double product = 1;
        for (std::size_t j = 0; j < count; ++j) {
            product *= row[notes[j]];
        }
        products[k] = Interval::clamp(product);
        sum += products[k];
    }
    const long double normaliser = 1 / sum;
    for (std::size_t k = 0; k < count; ++k) {
        pack(record.terms[k].exponentBytes, Interval::clamp(normaliser * products[k]));
    }
    return true;
}

bool WeightedSearch::findPiece(const Pieces& pieces, const long double& pathWeight, Outcome& out) {
    const std::uint32_t size = pieces.size.load(std::memory_order_relaxed);
    if (size == 0) {
        return false;
    }
    const double* lows = pieces.lows();
    if (const std::uint32_t last = pieces.lastFound;
        last < size && lows[last] <= pathWeight && pathWeight <= pieces.highs()[last]) {
        out = Outcome{pieces.value(last), lows[last], pieces.highs()[last]};
        return true;
    }
    // The last range starting at or below the path weight, without branches to mispredict.
    const double* base = lows;
    for (std::uint32_t count = size; count > 1;) {
        const std::uint32_t half = count / 2;
        base = base[half] <= pathWeight ? base + half : base;
        count -= half;
    }
    const std::size_t index = static_cast<std::size_t>(base - lows);
    if (!(*base <= pathWeight && pathWeight <= pieces.highs()[index])) {
        return false;
    }
    pieces.lastFound = static_cast<std::uint32_t>(index);
    out = Outcome{pieces.value(index), *base, pieces.highs()[index]};
    return true;
}

bool WeightedSearch::addPiece(Pieces& pieces, const long double& low, const long double& high,
                              const long double& value) {
    const double lowEnd = roundedUp(low);
    const double highEnd = roundedDown(high);
    if (!(lowEnd <= highEnd)) {
        return false;
    }
    const std::uint32_t size = pieces.size.load(std::memory_order_relaxed);
    if (size == pieces.capacity) {
        const std::uint32_t capacity = nextCapacity(pieces.capacity);
        void* grown = arena->allocatePieces(capacity);
        double* grownLows = static_cast<double*>(grown);
        double* grownHighs = grownLows + capacity;
        unsigned char* grownValues = reinterpret_cast<unsigned char*>(grownHighs + capacity);
        std::copy(pieces.lows(), pieces.lows() + size, grownLows);
        std::copy(pieces.highs(), pieces.highs() + size, grownHighs);
        std::copy(pieces.values(), pieces.values() + size * packedBytes, grownValues);
        if (void* old = pieces.data.load(std::memory_order_relaxed); old != nullptr) {
            arena->freePieces(old, pieces.capacity);
        }
        pieces.data.store(grown, std::memory_order_relaxed);
        pieces.capacity = capacity;
    }
    double* lows = pieces.lows();
    double* highs = pieces.highs();
    unsigned char* values = pieces.values();
    const std::size_t at =
        static_cast<std::size_t>(std::upper_bound(lows, lows + size, lowEnd) - lows);
    std::copy_backward(lows + at, lows + size, lows + size + 1);
    std::copy_backward(highs + at, highs + size, highs + size + 1);
    std::memmove(values + (at + 1) * packedBytes, values + at * packedBytes,
                 (size - at) * packedBytes);
    lows[at] = lowEnd;
    highs[at] = highEnd;
    pack(values + at * packedBytes, value);
    pieces.size.store(size + 1, std::memory_order_relaxed);
    return true;
}

bool WeightedSearch::recall(Record& record, const long double& pathWeight, Outcome& out,
                            std::uint32_t* seen) const {
    const RecordLock lock(record);
    if (seen != nullptr) {
        *seen = record.results.size.load(std::memory_order_relaxed);
    }
    if (findPiece(record.results, pathWeight, out)) {
        return true;
    }
    // The very same path weight repeats the very same arithmetic.
    for (std::uint8_t k = 0; k < record.exactCount; ++k) {
        if (record.exactPieces[k].pathWeight == pathWeight) {
            out = Outcome{record.exactPieces[k].value, infinity, 0};
            return true;
        }
    }
    return false;
}

void WeightedSearch::remember(Record& record, const long double& pathWeight, const Outcome& outcome,
                              const std::uint32_t& seen) {
    const RecordLock lock(record);
    Outcome known{};
    if (record.results.size.load(std::memory_order_relaxed) != seen &&
        findPiece(record.results, pathWeight, known)) {
        return;
    }
    if (addPiece(record.results, outcome.low, outcome.high, outcome.value) &&
        roundedUp(outcome.low) <= pathWeight && pathWeight <= roundedDown(outcome.high)) {
        return;
    }
    if (record.exactPieces == nullptr) {
        record.exactPieces =
            static_cast<ExactPiece*>(arena->allocate(exactPiecesPerRecord * sizeof(ExactPiece)));
    }
    if (record.exactCount < exactPiecesPerRecord) {
        ++record.exactCount;
    } else {
        // The oldest goes.
        std::copy(record.exactPieces + 1, record.exactPieces + exactPiecesPerRecord,
                  record.exactPieces);
    }
    record.exactPieces[record.exactCount - 1] = ExactPiece{pathWeight, outcome.value};
}

void* WeightedSearch::Arena::allocate(const std::size_t& bytes) {
    constexpr std::size_t alignment = alignof(std::max_align_t);
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded > left) {
        const std::size_t size = std::max(rounded, Memory::blockBytes);
        next = memory.takeBlock(size);
        left = size;
    }
    void* allocated = next;
    next += rounded;
    left -= rounded;
    return allocated;
}

void* WeightedSearch::Arena::allocatePieces(const std::uint32_t& capacity) {
    const std::size_t sizeClass = capacityClass(capacity);
    if (sizeClass < freeLists.size() && freeLists[sizeClass] != nullptr) {
        void* pieces = freeLists[sizeClass];
        std::memcpy(&freeLists[sizeClass], pieces, sizeof(void*));
        return pieces;
    }
    return allocate(capacity * pieceBytes);
}

void WeightedSearch::Arena::freePieces(void* pieces, const std::uint32_t& capacity) {
    const std::size_t sizeClass = capacityClass(capacity);
    if (freeLists.size() <= sizeClass) {
        freeLists.resize(sizeClass + 1, nullptr);
    }
    std::memcpy(pieces, &freeLists[sizeClass], sizeof(void*));
    freeLists[sizeClass] = pieces;
}

void WeightedSearch::Arena::release() {
    next = nullptr;
    left = 0;
    freeLists.clear();
}

unsigned char* WeightedSearch::Memory::takeBlock(const std::size_t& bytes) {
    const std::lock_guard<std::mutex> lock(mutex);
    arenaBytes.fetch_add(bytes, std::memory_order_relaxed);
    if (bytes > blockBytes) {
        largeBlocks.emplace_back(new unsigned char[bytes]);
        return largeBlocks.back().get();
    }
    if (!freeBlocks.empty()) {
        unsigned char* block = freeBlocks.back();
        freeBlocks.pop_back();
        return block;
    }
    // Left uninitialised, so that pages are touched only as they are used.
    blocks.emplace_back(new unsigned char[blockBytes]);
    return blocks.back().get();
}
