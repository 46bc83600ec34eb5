#include "tuning/notesetsearch.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Beyond this the tables could not fit any budget (and sets of notes above 0 fit one word).
constexpr int largestNoteCount = 40;
// Units of work a thread takes at a time: well under a millisecond, so that cancelling and
// sharing out stay prompt.
constexpr std::uint64_t chunkUnits = std::uint64_t(1) << 18;
// Less work than this is not worth threads of its own.
constexpr std::uint64_t threadedUnits = std::uint64_t(1) << 21;

long double clamped(const long double& value) {
    if (value < Interval::lowest) {
        return Interval::lowest;
    }
    return value > Interval::highest ? Interval::highest : value;
}

std::uint64_t choose(const int& n, const int& k) {
    if (k < 0 || k > n) {
        return 0;
    }
    long double result = 1;
    for (int i = 1; i <= k; ++i) {
        result = result * (n - k + i) / i;
    }
    return static_cast<std::uint64_t>(std::llround(result));
}

// The next larger set with as many members.
std::uint64_t nextSet(const std::uint64_t& set) {
    const std::uint64_t filled = set | (set - 1);
    return (filled + 1) | (((~filled & (filled + 1)) - 1) >>
                           (__builtin_ctzll(static_cast<unsigned long long>(set)) + 1));
}

} // namespace

std::size_t NoteSetSearch::tableBytes(const int& noteCount) {
    const int top = noteCount - 1;
    std::size_t largest = 0;
    for (int size = 1; size <= top; ++size) {
        const std::uint64_t previous = choose(top, size - 1) * static_cast<std::uint64_t>(size - 1);
        const std::uint64_t current =
            size == top ? 0 : choose(top, size) * static_cast<std::uint64_t>(size);
        largest = std::max(largest, static_cast<std::size_t>(previous + current) * sizeof(double));
    }
    const std::size_t count = static_cast<std::size_t>(noteCount);
    return largest + 2 * count * count * sizeof(long double);
}

std::uint64_t NoteSetSearch::workUnits(const int& noteCount) {
    const int top = noteCount - 1;
    std::uint64_t units = 0;
    for (int size = 1; size <= top; ++size) {
        units += choose(top, size) * static_cast<std::uint64_t>((size + 1) * (size + 1));
    }
    return units;
}

bool NoteSetSearch::applies(const SearchInput& input, const std::size_t& memoryBudget) {
    return input.noteCount() <= largestNoteCount && input.cutsNoPath() && input.takesLogarithms() &&
           tableBytes(input.noteCount()) <= memoryBudget;
}

NoteSetSearch::NoteSetSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest)
    : input(input), cancelationRequest(cancelationRequest), noteCount(input.noteCount()) {
    const std::size_t count = static_cast<std::size_t>(noteCount);
    weights.assign(count * count, 1);
    logViaSizes.assign(count * count, 0);
    logRootSizes.assign(count, 0);
    fixed.assign(count, 0);
    for (int note = 1; note < noteCount; ++note) {
        logRootSizes[static_cast<std::size_t>(note)] = std::log(input.sizeFromRoot(note));
        fixed[static_cast<std::size_t>(note)] = input.isFixed(note);
    }
    for (int m = 0; m < noteCount; ++m) {
        for (int c = 0; c < noteCount; ++c) {
            const std::size_t at =
                static_cast<std::size_t>(m) * count + static_cast<std::size_t>(c);
            weights[at] = input.weight(m, c);
            logViaSizes[static_cast<std::size_t>(c) * count + static_cast<std::size_t>(m)] =
                std::log(input.size(c, m)) + logRootSizes[static_cast<std::size_t>(m)];
        }
    }
    const std::size_t side = count;
    binomials.assign(side * side, 0);
    for (int n = 0; n < noteCount; ++n) {
        for (int k = 0; k <= n; ++k) {
            binomials[static_cast<std::size_t>(n) * side + static_cast<std::size_t>(k)] =
                choose(n, k);
        }
    }
}

std::vector<long double> NoteSetSearch::tuneAllNotes(const int& threads, WorkCounter* work,
                                                     const std::function<void()>& tick) {
    const int top = noteCount - 1;
    std::vector<long double> tuning(static_cast<std::size_t>(noteCount), 1);
    std::vector<long double> logResults(static_cast<std::size_t>(noteCount), 0);
    // Left uninitialised: every entry is written before it is read, and pages are taken only
    // as the pass writes them, so that cancelling need not wait for a table to be cleared.
    std::unique_ptr<double[]> previous;
    std::unique_ptr<double[]> current;
    for (int size = 1; size <= top; ++size) {
        // Given back before the next is taken, so that two tables at most are held.
        current.reset();
        if (cancelationRequest) {
            return {};
        }
        if (size < top) {
            current.reset(new double[choose(top, size) * static_cast<std::size_t>(size)]);
        }
        const std::uint64_t sets = choose(top, size);
        const std::uint64_t units = sets * static_cast<std::uint64_t>((size + 1) * (size + 1));
        std::atomic<std::uint64_t> nextChunk(0);
        const auto layer = [&](const int&) {
            computeLayer(size, previous.get(), current.get(), logResults, nextChunk, work);
        };
        if (units < threadedUnits || threads <= 1) {
            layer(0);
            tick();
        } else {
            const std::uint64_t chunks = (units + chunkUnits - 1) / chunkUnits;
            runOnThreads(static_cast<int>(
                             std::min<std::uint64_t>(static_cast<std::uint64_t>(threads), chunks)),
                         layer, tick);
        }
        if (cancelationRequest) {
            return {};
        }
        previous.swap(current);
    }
    for (int note = 1; note < noteCount; ++note) {
        tuning[static_cast<std::size_t>(note)] =
            fixed[static_cast<std::size_t>(note)]
                ? input.sizeFromRoot(note)
                : std::exp(logResults[static_cast<std::size_t>(note)]);
    }
    return tuning;
}

void NoteSetSearch::computeLayer(const int& size, const double* previous, double* current,
                                 std::vector<long double>& top,
                                 std::atomic<std::uint64_t>& nextChunk, WorkCounter* work) {
    const std::size_t count = static_cast<std::size_t>(noteCount);
    const std::size_t listSize = static_cast<std::size_t>(size) + 1;
    const bool last = size == noteCount - 1;
    const std::uint64_t sets = choose(noteCount - 1, size);
    const std::uint64_t unitsPerSet = listSize * listSize;
    const std::uint64_t chunkSets = std::max<std::uint64_t>(1, chunkUnits / unitsPerSet);
    const auto binomial = [this, &count](const int& n, const int& k) {
        return binomials[static_cast<std::size_t>(n) * count + static_cast<std::size_t>(k)];
    };

    // The list [0, members...] and, per member, its bit; the exponents of the list; the ranks
    // of the set without one member, in two halves.
    std::vector<int> notes(listSize, 0);
    std::vector<int> bits(listSize, 0);
    std::vector<long double> exponents(listSize);
    std::vector<std::uint64_t> lowerRanks(listSize, 0);
    std::vector<std::uint64_t> upperRanks(listSize, 0);
    for (;;) {
        const std::uint64_t first = nextChunk.fetch_add(1) * chunkSets;
        if (first >= sets || cancelationRequest) {
            return;
        }
        const std::uint64_t end = std::min(sets, first + chunkSets);
        // The set of rank `first`: the members' bits b_0 < b_1 < ... with rank the sum of
        // (b_i choose i + 1).
        std::uint64_t set = 0;
        std::uint64_t rest = first;
        for (int member = size; member >= 1; --member) {
            int bit = member - 1;
            while (bit + 1 < noteCount - 1 && binomial(bit + 1, member) <= rest) {
                ++bit;
            }
            rest -= binomial(bit, member);
            set |= std::uint64_t(1) << bit;
        }
        for (std::uint64_t rank = first; rank < end; ++rank, set = nextSet(set)) {
            std::size_t filled = 1;
            for (std::uint64_t left = set; left != 0; left &= left - 1) {
                const int bit = __builtin_ctzll(static_cast<unsigned long long>(left));
                bits[filled] = bit;
                notes[filled] = bit + 1;
                ++filled;
            }
            // As prodWeights and sumProdWeights take them, each product in list order; four
            // products at a time, so that they need not wait for one another.
            std::size_t i = 0;
            for (; i + 4 <= listSize; i += 4) {
                const long double* row0 = &weights[static_cast<std::size_t>(notes[i]) * count];
                const long double* row1 = &weights[static_cast<std::size_t>(notes[i + 1]) * count];
                const long double* row2 = &weights[static_cast<std::size_t>(notes[i + 2]) * count];
                const long double* row3 = &weights[static_cast<std::size_t>(notes[i + 3]) * count];
                long double product0 = 1;
                long double product1 = 1;
                long double product2 = 1;
                long double product3 = 1;
                for (std::size_t j = 0; j < listSize; ++j) {
                    const int other = notes[j];
                    product0 *= row0[other];
                    product1 *= row1[other];
                    product2 *= row2[other];
                    product3 *= row3[other];
                }
                exponents[i] = clamped(product0);
                exponents[i + 1] = clamped(product1);
                exponents[i + 2] = clamped(product2);
                exponents[i + 3] = clamped(product3);
            }
            for (; i < listSize; ++i) {
                const long double* row = &weights[static_cast<std::size_t>(notes[i]) * count];
                long double product = 1;
                for (std::size_t j = 0; j < listSize; ++j) {
                    product *= row[notes[j]];
                }
                exponents[i] = clamped(product);
            }
            long double sum = 0;
            for (std::size_t k = 0; k < listSize; ++k) {
                sum += exponents[k];
            }
            const long double normaliser = 1 / sum;
            for (std::size_t k = 0; k < listSize; ++k) {
                exponents[k] = clamped(normaliser * exponents[k]);
            }
            // rank(set without member j) = sum over i < j of (b_i choose i + 1) + sum over
            // i > j of (b_i choose i), members counted from 0.
            lowerRanks[1] = 0;
            for (std::size_t j = 2; j < listSize; ++j) {
                lowerRanks[j] = lowerRanks[j - 1] + binomial(bits[j - 1], static_cast<int>(j - 1));
            }
            upperRanks[listSize - 1] = 0;
            for (std::size_t j = listSize - 1; j > 1; --j) {
                upperRanks[j - 1] = upperRanks[j] + binomial(bits[j], static_cast<int>(j - 1));
            }
            for (std::size_t position = 1; position < listSize; ++position) {
                const int note = notes[position];
                const long double logRootSize = logRootSizes[static_cast<std::size_t>(note)];
                long double result = 0;
                if (fixed[static_cast<std::size_t>(note)]) {
                    for (std::size_t i = 0; i < listSize; ++i) {
                        result += exponents[i] * logRootSize;
                    }
                } else {
                    // The results of the list without this note, one per member but note 0.
                    const double* below = previous + (lowerRanks[position] + upperRanks[position]) *
                                                         static_cast<std::size_t>(size - 1);
                    const long double* via = &logViaSizes[static_cast<std::size_t>(note) * count];
                    // Two sums, so that each addition need not wait for the one before.
                    long double before = (exponents[0] + exponents[position]) * logRootSize;
                    long double after = 0;
                    for (std::size_t k = 1; k < position; ++k) {
                        before += exponents[k] * (via[notes[k]] + below[k - 1]);
                    }
                    for (std::size_t k = position + 1; k < listSize; ++k) {
                        after += exponents[k] * (via[notes[k]] + below[k - 2]);
                    }
                    result = before + after;
                }
                if (last) {
                    top[static_cast<std::size_t>(note)] = result;
                } else {
                    current[rank * static_cast<std::size_t>(size) + position - 1] =
                        static_cast<double>(result - logRootSize);
                }
            }
        }
        if (work != nullptr) {
            work->add((end - first) * unitsPerSet);
        }
    }
}
