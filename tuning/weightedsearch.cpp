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

double roundedDown(const long double& value) {
    double rounded = static_cast<double>(value);
    return rounded > value ? std::nextafter(rounded, -std::numeric_limits<double>::infinity())
                           : rounded;
}

constexpr std::size_t initialSlots = 1024;
// The exact results kept per record for path weights that have no range.
constexpr std::uint8_t exactPiecesPerRecord = 4;
// A followed proposal whose logarithm differs from the root size's by no more than this
// fraction of the logarithms involved is taken for it: a few roundings of long double.
constexpr long double flatTolerance = 8 * std::numeric_limits<long double>::epsilon();

// Blocks of a sixteenth of the budget, between 4 KiB and 64 KiB, so that a small budget is
// still kept closely.
std::size_t blockBytesFor(const std::size_t& budget) {
    return std::clamp(budget / 16, std::size_t(4) << 10, std::size_t(64) << 10);
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

WeightedSearch::WeightedSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest,
                               const std::size_t& memoryBudget)
    : input(input), cancelationRequest(cancelationRequest), memoryBudget(memoryBudget),
      arena(blockBytesFor(memoryBudget)) {}

void WeightedSearch::prepare() {
    prepared = true;
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
    logSizes.reset();
    logSizesReady.assign(count, 0);

    words = (count + 63) / 64;
    listNotes.resize(count * (count + 1) / 2);
    listKeys.assign(count * words, 0);
    std::iota(listNotes.begin(), listNotes.begin() + noteCount, 0);
    for (std::size_t note = 0; note < count; ++note) {
        listKeys[note / 64] |= std::uint64_t(1) << (note % 64);
    }
    recordSlots.assign(initialSlots, 0);
    // The table of logarithms counts in full from the start: every row may come to be used.
    tableBytes = weights.size() * sizeof(long double) + count * count * sizeof(long double) +
                 listNotes.size() * sizeof(int) + listKeys.size() * sizeof(std::uint64_t);
}

void WeightedSearch::countWork(WorkCounter* counter, const std::uint64_t& unitsPerNote) {
    work = counter;
    workPerNote = unitsPerNote;
}

void WeightedSearch::countShare(const long double& share) {
    const std::uint64_t units =
        std::min(workPerNote, static_cast<std::uint64_t>(share * workPerNote));
    if (work != nullptr && units > workCounted) {
        work->add(units - workCounted);
        workCounted = units;
    }
}

long double WeightedSearch::tuneFromAllNotes(const int& note) {
    workCounted = 0;
    shareBefore[0] = 0;
    shareOf[0] = 1;
    long double result = 1;
    try {
        if (!prepared) {
            prepare();
        }
        if (!plainOnly) {
            Record* record = nullptr;
            Outcome outcome{};
            result = visit(0, note, 1, record, outcome) ? std::exp(outcome.value) : 1;
            countShare(1);
            return result;
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: give back what is remembered and search without remembering.
        forget();
        plainOnly = true;
    }
    std::vector<int> allNotes(static_cast<std::size_t>(input.noteCount()));
    std::iota(allNotes.begin(), allNotes.end(), 0);
    result = traversePath(input, note, allNotes, 1, 1 / sumProdWeights(input, allNotes),
                          cancelationRequest);
    countShare(1);
    return result;
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
    if (overBudget()) {
        forget();
        record = nullptr;
    }
    if (record == nullptr) {
        const std::uint64_t hash = hashKey(note, listKey(depth), words);
        record = findRecord(hash, depth, note);
        if (record == nullptr && (record = addRecord(hash, depth, note)) == nullptr) {
            return false;
        }
    }
    if (recall(*record, pathWeight, out)) {
        ++reused;
        return true;
    }
    ++computed;
    std::uint64_t recordEpoch = epoch;

    const std::size_t count = static_cast<std::size_t>(noteCount - depth);
    const int* notes = &listNotes[listOffset(depth)];
    const bool currentFixed = fixed[static_cast<std::size_t>(note)];
    const long double logRootSize = logRootSizes[static_cast<std::size_t>(note)];
    // Below this a followed path would have its weight raised to the smallest normal double,
    // which the ranges do not account for.
    const long double followFloor = std::max(cutoff, static_cast<long double>(Interval::lowest));
    // Flatness matters only where paths are cut, and it needs the weights of followed paths to
    // stay above the smallest normal double.
    const bool flatnessUsable = rangesMatter && cutoff >= Interval::lowest;
    // The results of the levels this one goes on to lie far apart in memory: ask for all of
    // them, where the first steps of their binary searches go, before waiting for the first.
    for (std::size_t k = 0; k < count; ++k) {
        prefetch(record->terms[k].via);
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (const Record* child = record->terms[k].via; child != nullptr) {
            const double* lows = child->results.lows();
            const std::uint32_t size = child->results.size;
            prefetch(lows + size / 2);
            prefetch(lows + size / 4);
            prefetch(lows + size / 2 + size / 4);
        }
    }
    bool childListReady = false;
    const long double* sizeLogs = nullptr;
    long double result = 0;
    long double low = 0;
    long double high = infinity;
    for (std::size_t k = 0; k < count; ++k) {
        const int via = notes[k];
        const long double exponent = record->terms[k].exponent;
        // The ranges need not be exact, only inside the true ones: multiplying by the
        // reciprocal adds one more rounding, far below the margin.
        const long double inverse = record->terms[k].inverseExponent;
        // The logarithm of the power that the proposal makes.
        long double power;
        const bool direct = via == 0 || currentFixed || via == note;
        const bool cut = !direct && exponent * pathWeight <= cutoff;
        if (!direct && !cut && flatnessUsable && record->terms[k].flat < 0) {
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
        } else if (pathWeight <= record->terms[k].flatUpTo) {
            power = exponent * logRootSize;
            high = std::min(high, static_cast<long double>(record->terms[k].flatUpTo));
        } else if (cut) {
            if (rangesMatter) {
                high = std::min(high, below(cutoff * inverse));
            }
            power = exponent * logRootSize;
        } else {
            const long double viaWeight = clamped(exponent * pathWeight);
            Record* child = record->terms[k].via;
            Outcome estimate{};
            if (child != nullptr && recall(*child, viaWeight, estimate)) {
                ++reused;
            } else {
                if (!childListReady) {
                    prepareChildList(depth, note);
                    childListReady = true;
                }
                if (depth < countedDepths) {
                    shareBefore[depth + 1] = shareBefore[depth] + shareOf[depth] * k / count;
                    shareOf[depth + 1] = shareOf[depth] / count;
                }
                if (!visit(depth + 1, via, viaWeight, child, estimate)) {
                    return false;
                }
                if (epoch != recordEpoch) {
                    const std::uint64_t hash = hashKey(note, listKey(depth), words);
                    record = findRecord(hash, depth, note);
                    if (record == nullptr && (record = addRecord(hash, depth, note)) == nullptr) {
                        return false;
                    }
                    recordEpoch = epoch;
                }
                record->terms[k].via = child;
                // The visit may have taught m's level that more of its paths are flat.
                if (flatnessUsable && record->terms[k].flat > 0 &&
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
            countShare(shareBefore[depth] + shareOf[depth] * (k + 1) / count);
        }
    }
    out = Outcome{result, low, high};
    remember(*record, pathWeight, out);
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
            logs[other] = std::log(input.size(note, other));
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
    if (term.via == nullptr) {
        // Only a visit may forget, so here the budget is kept by not learning.
        if (overBudget()) {
            return true;
        }
        const std::uint64_t hash = hashKey(via, listKey(depth + 1), words);
        term.via = findRecord(hash, depth + 1, via);
        if (term.via == nullptr && (term.via = addRecord(hash, depth + 1, via)) == nullptr) {
            return false;
        }
    }
    Record& child = *term.via;
    if (!child.allCutKnown) {
        // As visit sums it when every path is cut.
        const long double logRootSize = logRootSizes[static_cast<std::size_t>(via)];
        long double value = 0;
        for (std::uint32_t j = 0; j < child.termCount; ++j) {
            value += child.terms[j].exponent * logRootSize;
        }
        child.allCutValue = value;
        child.allCutKnown = true;
    }
    if (term.flat < 0) {
        const long double logSize = logSizesFrom(note)[via];
        const long double logRootSize = logRootSizes[static_cast<std::size_t>(note)];
        const long double followed = logSize + child.allCutValue;
        // Equal but for rounding: taking one for the other moves the result by no more than
        // the rounding of the sums themselves.
        const long double magnitude =
            std::fabs(logSize) + std::fabs(child.allCutValue) + std::fabs(logRootSize);
        term.flat = std::fabs(followed - logRootSize) <= flatTolerance * magnitude;
    }
    if (term.flat > 0) {
        term.flatUpTo = std::max(
            term.flatUpTo, roundedDown(below(allCutUpTo(child, depth + 1) * term.inverseExponent)));
    }
    return true;
}

long double WeightedSearch::allCutUpTo(const Record& record, const int& depth) const {
    if (fixed[static_cast<std::size_t>(record.note)]) {
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
        upTo = std::min(upTo, std::max(static_cast<long double>(term.flatUpTo),
                                       below(cutoff * term.inverseExponent)));
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

bool WeightedSearch::overBudget() const {
    return tableBytes + arena.size() + records.capacity() * sizeof(Record*) +
               (recordSlots.capacity() + recordKeys.capacity()) * sizeof(std::uint64_t) >
           memoryBudget;
}

WeightedSearch::Record* WeightedSearch::findRecord(const std::uint64_t& hash, const int& depth,
                                                   const int& note) {
    const std::uint64_t* key = listKey(depth);
    const std::uint64_t fingerprint = hash >> 32;
    const std::size_t mask = recordSlots.size() - 1;
    for (std::size_t slot = hash & mask; recordSlots[slot] != 0; slot = (slot + 1) & mask) {
        if (recordSlots[slot] >> 32 != fingerprint) {
            continue;
        }
        const std::size_t index = (recordSlots[slot] & 0xffffffffULL) - 1;
        const std::uint64_t* stored = &recordKeys[index * words];
        if (records[index]->note == note && std::equal(stored, stored + words, key)) {
            return records[index];
        }
    }
    return nullptr;
}

WeightedSearch::Record* WeightedSearch::addRecord(const std::uint64_t& hash, const int& depth,
                                                  const int& note) {
    const std::size_t count = static_cast<std::size_t>(noteCount - depth);
    Record& record = *new (arena.allocate(sizeof(Record))) Record();
    record.note = note;
    record.hash = hash;
    record.termCount = static_cast<std::uint32_t>(count);
    record.terms = static_cast<Term*>(arena.allocate(count * sizeof(Term)));
    for (std::size_t k = 0; k < count; ++k) {
        new (record.terms + k) Term();
    }
    // A cancelled record is left unused in the arena.
    if (!computeExponents(depth, record)) {
        return nullptr;
    }
    const std::uint64_t* key = listKey(depth);
    recordKeys.insert(recordKeys.end(), key, key + words);
    if ((records.size() + 1) * 2 > recordSlots.size()) {
        growSlots();
    }
    const std::size_t mask = recordSlots.size() - 1;
    std::size_t slot = hash & mask;
    while (recordSlots[slot] != 0) {
        slot = (slot + 1) & mask;
    }
    records.push_back(&record);
    recordSlots[slot] = (hash >> 32 << 32) | records.size();
    return &record;
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
        const long double* row = &weights[static_cast<std::size_t>(notes[k]) * stride];
        long double product = 1;
        for (std::size_t j = 0; j < count; ++j) {
            product *= row[notes[j]];
        }
        record.terms[k].exponent = Interval::clamp(product);
        sum += record.terms[k].exponent;
    }
    const long double normaliser = 1 / sum;
    for (std::size_t k = 0; k < count; ++k) {
        Term& term = record.terms[k];
        term.exponent = Interval::clamp(normaliser * term.exponent);
        term.inverseExponent = static_cast<double>(1 / term.exponent);
    }
    return true;
}

bool WeightedSearch::findPiece(const Pieces& pieces, const long double& pathWeight, Outcome& out) {
    if (pieces.size == 0) {
        return false;
    }
    const double* lows = pieces.lows();
    if (const std::uint32_t last = pieces.lastFound;
        last < pieces.size && lows[last] <= pathWeight && pathWeight <= pieces.highs()[last]) {
        out = Outcome{pieces.values()[last], lows[last], pieces.highs()[last]};
        return true;
    }
    // The last range starting at or below the path weight, without branches to mispredict.
    const double* base = lows;
    for (std::uint32_t count = pieces.size; count > 1;) {
        const std::uint32_t half = count / 2;
        base = base[half] <= pathWeight ? base + half : base;
        count -= half;
    }
    const std::size_t index = static_cast<std::size_t>(base - lows);
    if (!(*base <= pathWeight && pathWeight <= pieces.highs()[index])) {
        return false;
    }
    pieces.lastFound = static_cast<std::uint32_t>(index);
    out = Outcome{pieces.values()[index], *base, pieces.highs()[index]};
    return true;
}

bool WeightedSearch::addPiece(Pieces& pieces, const long double& low, const long double& high,
                              const long double& value) {
    const double lowEnd = roundedUp(low);
    const double highEnd = roundedDown(high);
    if (!(lowEnd <= highEnd)) {
        return false;
    }
    if (pieces.size == pieces.capacity) {
        Pieces grown;
        grown.capacity = pieces.capacity == 0 ? 4 : 2 * pieces.capacity;
        grown.size = pieces.size;
        grown.data = arena.allocatePieces(grown.capacity);
        std::copy(pieces.lows(), pieces.lows() + pieces.size, grown.lows());
        std::copy(pieces.highs(), pieces.highs() + pieces.size, grown.highs());
        std::copy(pieces.values(), pieces.values() + pieces.size, grown.values());
        if (pieces.data != nullptr) {
            arena.freePieces(pieces.data, pieces.capacity);
        }
        pieces = grown;
    }
    double* lows = pieces.lows();
    double* highs = pieces.highs();
    long double* values = pieces.values();
    const std::size_t at =
        static_cast<std::size_t>(std::upper_bound(lows, lows + pieces.size, lowEnd) - lows);
    std::copy_backward(lows + at, lows + pieces.size, lows + pieces.size + 1);
    std::copy_backward(highs + at, highs + pieces.size, highs + pieces.size + 1);
    std::copy_backward(values + at, values + pieces.size, values + pieces.size + 1);
    lows[at] = lowEnd;
    highs[at] = highEnd;
    values[at] = value;
    ++pieces.size;
    return true;
}

bool WeightedSearch::recall(const Record& record, const long double& pathWeight,
                            Outcome& out) const {
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

void WeightedSearch::remember(Record& record, const long double& pathWeight,
                              const Outcome& outcome) {
    if (addPiece(record.results, outcome.low, outcome.high, outcome.value) &&
        roundedUp(outcome.low) <= pathWeight && pathWeight <= roundedDown(outcome.high)) {
        return;
    }
    if (record.exactPieces == nullptr) {
        record.exactPieces =
            static_cast<ExactPiece*>(arena.allocate(exactPiecesPerRecord * sizeof(ExactPiece)));
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

void WeightedSearch::growSlots() {
    std::vector<std::uint64_t> grown(recordSlots.size() * 2, 0);
    const std::size_t mask = grown.size() - 1;
    for (const std::uint64_t entry : recordSlots) {
        if (entry == 0) {
            continue;
        }
        std::size_t slot = records[(entry & 0xffffffffULL) - 1]->hash & mask;
        while (grown[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        grown[slot] = entry;
    }
    recordSlots.swap(grown);
}

void WeightedSearch::forget() {
    arena.release();
    records.clear();
    recordKeys.clear();
    recordSlots.assign(initialSlots, 0);
    ++epoch;
    ++clearings;
}

void* WeightedSearch::Arena::allocate(const std::size_t& bytes) {
    constexpr std::size_t alignment = alignof(std::max_align_t);
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded > left) {
        const std::size_t blockBytes = std::max(rounded, blockSize);
        // Left uninitialised, so that pages are touched only as they are used.
        blocks.emplace_back(new unsigned char[blockBytes]);
        next = blocks.back().get();
        left = blockBytes;
        total += blockBytes;
    }
    void* memory = next;
    next += rounded;
    left -= rounded;
    return memory;
}

void* WeightedSearch::Arena::allocatePieces(const std::uint32_t& capacity) {
    std::size_t sizeClass = 0;
    while ((std::uint32_t(4) << sizeClass) < capacity) {
        ++sizeClass;
    }
    if (sizeClass < freeLists.size() && freeLists[sizeClass] != nullptr) {
        void* pieces = freeLists[sizeClass];
        std::memcpy(&freeLists[sizeClass], pieces, sizeof(void*));
        return pieces;
    }
    return allocate(capacity * pieceBytes);
}

void WeightedSearch::Arena::freePieces(void* pieces, const std::uint32_t& capacity) {
    std::size_t sizeClass = 0;
    while ((std::uint32_t(4) << sizeClass) < capacity) {
        ++sizeClass;
    }
    if (freeLists.size() <= sizeClass) {
        freeLists.resize(sizeClass + 1, nullptr);
    }
    std::memcpy(pieces, &freeLists[sizeClass], sizeof(void*));
    freeLists[sizeClass] = pieces;
}

void WeightedSearch::Arena::release() {
    blocks.clear();
    next = nullptr;
    left = 0;
    total = 0;
    freeLists.clear();
}
