#include "tuning/splitsearch.h"

#include "core/interval.h"
#include "tuning/searchpace.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <numeric>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// A long double is kept in the bytes that hold its value: 10 of the 16 in the x87 extended
// format, of which a search files millions.
#if defined(__x86_64__) || defined(__i386__)
constexpr std::size_t packedBytes =
    std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
#else
constexpr std::size_t packedBytes = sizeof(long double);
#endif

void pack(unsigned char* to, const long double& value) {
    std::memcpy(to, &value, packedBytes);
}

long double unpack(const unsigned char* from) {
    long double value = 0;
    std::memcpy(&value, from, packedBytes);
    return value;
}

// Leaves what a vector grows by unset: a frontier's weights are all written after it is sized,
// and setting them to zero first cost as much as filing them.
template <typename T> struct Unset : std::allocator<T> {
    template <typename U> struct rebind { using other = Unset<U>; };
    Unset() = default;
    template <typename U> Unset(const Unset<U>&) noexcept {}
    template <typename U> void construct(U* at) noexcept { ::new (static_cast<void*>(at)) U; }
    template <typename U, typename... Args> void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

// Interval::clamp without the NaN test: the search takes no NaN.
long double clamped(const long double& value) {
    if (value < Interval::lowest) {
        return Interval::lowest;
    }
    return value > Interval::highest ? Interval::highest : value;
}

// A weight relative to a state, times a filed weight, differs from the recursion's
// step-by-step product by the rounding of each step: a few parts in 1e19 per level, and 1.1e-16
// per level where the exponents come from the table in double. Products this close to the
// cutoff (per level below the state) are decided by the recursion's own product.
constexpr long double nearnessPerLevel = 4e-16L;

// Levels walked between two looks at the flag: well under a millisecond.
constexpr unsigned levelsPerFlagLook = 4096;

// Filing a weight at the next depth costs about a third of walking a level (17edo at dial 900:
// 40 ns against 120 ns); it pays when the walk from this depth would take more levels than
// this fraction of the weights to file.
constexpr std::size_t fileToWalk = 2;

// One state in this many is walked to judge whether the next depth pays.
constexpr std::size_t walkSampleStride = 32;

// States or expansions a thread takes at a time while the frontier deepens.
constexpr std::size_t chunkSize = 256;

// The exponent table serves lists of at most this many notes above 0 (its offsets take
// 4 << tableNotesAbove0 bytes), within this share of the budget.
constexpr int tableNotesAbove0 = 24;
constexpr std::size_t tableShare = 2;

// The pilots start at a cutoff that cuts nearly every path, and come down a factor of 10 at a
// time until one takes longPilot and pilotShare of the forecast, or longestPilot, or forecasts a
// search shorter than shortSearch: some tenths of a second in all, a few per cent of a search
// that takes minutes.
constexpr long double firstPilotCutoff = 1e-5L;
constexpr double longPilot = 0.03;
constexpr double pilotShare = 0.03;
constexpr double longestPilot = 0.1;
constexpr double shortSearch = 1;

// A next depth is filed in at most this many parts (each goes through all of the expansions);
// parts are taken a part in partSlack larger than the room asks for.
constexpr std::size_t mostParts = 256;
constexpr std::size_t partSlack = 8;
// Filing a part takes, besides its frontier, about this much per expansion in it: its place in
// the order of targets and in the targets' table.
constexpr std::size_t filingBytes = 16;

// The walks' progress is told the pace in these units.
constexpr std::size_t progressUnits = std::size_t(1) << 20;

// A prime: states are walked this many apart, modulo their number.
constexpr std::size_t spreadingStep = 1000003;

using Clock = std::chrono::steady_clock;

double secondsSince(const Clock::time_point& start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ULL;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebULL;
    value ^= value >> 31;
    return value;
}

std::size_t tableBytes(const int& noteCount) {
    const std::size_t above0 = static_cast<std::size_t>(noteCount - 1);
    const std::size_t sets = std::size_t(1) << above0;
    return sets * sizeof(std::uint32_t) +
           above0 * (sets / 2) * (sizeof(std::uint16_t) + sizeof(double));
}

} // namespace

namespace {

// Runs work(begin, end, thread) over [0, total) in chunks on the threads while tick runs on
// this thread; chunks stop being taken once the flag is set.
void forChunks(const std::size_t& total, const int& threads, const std::atomic<bool>& flag,
               const std::function<void()>& tick,
               const std::function<void(std::size_t, std::size_t, int)>& work) {
    std::atomic<std::size_t> next(0);
    const std::size_t chunks = (total + chunkSize - 1) / chunkSize;
    const int used = static_cast<int>(
        std::max<std::size_t>(1, std::min<std::size_t>(static_cast<std::size_t>(threads), chunks)));
    runOnThreads(
        used,
        [&](const int& thread) {
            for (std::size_t chunk = next++; chunk < chunks && !flag; chunk = next++) {
                const std::size_t begin = chunk * chunkSize;
                const std::size_t end = std::min(total, begin + chunkSize);
                work(begin, end, thread);
            }
        },
        tick);
    // A pass shorter than a tick's interval still reports what it did.
    tick();
}

} // namespace

struct SplitSearch::Children {
    const std::uint16_t* notes = nullptr;
    const double* exponents = nullptr;
    int count = 0;
};

// The levels of one depth, each filed under its state: the state's current note and its list
// as a bit mask of notes (note 0 included), and per state its weights in descending order with
// the note each tunes.
class SplitSearch::Frontier {
public:
    static constexpr std::size_t entryBytes = packedBytes + sizeof(std::uint16_t);

    explicit Frontier(const std::size_t& words) : words(words) {}

    std::size_t states() const { return current.size(); }
    std::size_t entries() const { return notes.size(); }
    void clear() {
        current.clear();
        keys.clear();
        offsets.assign(1, 0);
        weightBytes.clear();
        notes.clear();
    }
    const std::uint64_t* key(const std::size_t& state) const { return &keys[state * words]; }
    long double weight(const std::size_t& entry) const {
        return unpack(&weightBytes[entry * packedBytes]);
    }
    std::size_t heldBytes() const {
        return weightBytes.capacity() + notes.capacity() * sizeof(std::uint16_t) +
               current.capacity() * sizeof(int) + keys.capacity() * sizeof(std::uint64_t) +
               offsets.capacity() * sizeof(std::size_t);
    }
    // Writes the state's list in ascending order; its size.
    int list(const std::size_t& state, int* into) const {
        int size = 0;
        const std::uint64_t* bits = key(state);
        for (std::size_t word = 0; word < words; ++word) {
            for (std::uint64_t left = bits[word]; left != 0; left &= left - 1) {
                into[size++] = static_cast<int>(word * 64) + __builtin_ctzll(left);
            }
        }
        return size;
    }

    std::size_t words;
    std::vector<int> current;
    std::vector<std::uint64_t> keys;
    std::vector<std::size_t> offsets{0};
    std::vector<unsigned char, Unset<unsigned char>> weightBytes;
    std::vector<std::uint16_t, Unset<std::uint16_t>> notes;
};

SplitSearch::SplitSearch(const SearchInput& input, std::atomic<bool>& cancelationRequest,
                         const std::size_t& memoryBudget)
    : input(input), cancelationRequest(cancelationRequest), budget(memoryBudget),
      noteCount(input.noteCount()), cutoff(input.cutoff), everyPathFollowed(input.cutsNoPath()) {
    const std::size_t count = static_cast<std::size_t>(noteCount);
    weights.assign(count * count, 1);
    localTerms.assign(count * count, 0);
    fixed.assign(count, 0);
    std::vector<long double> logRoot(count, 0);
    for (int note = 1; note < noteCount; ++note) {
        logRoot[static_cast<std::size_t>(note)] = std::log(input.sizeFromRoot(note));
        fixed[static_cast<std::size_t>(note)] = input.isFixed(note);
    }
    for (std::size_t p = 0; p < count; ++p) {
        for (std::size_t m = 0; m < count; ++m) {
            weights[p * count + m] = input.weight(static_cast<int>(p), static_cast<int>(m));
            localTerms[p * count + m] =
                logRoot[m] + std::log(input.size(static_cast<int>(p), static_cast<int>(m))) -
                logRoot[p];
        }
    }
    roughTerms.assign(localTerms.begin(), localTerms.end());
}

void SplitSearch::exactExponents(const int* notes, const int& size, long double* exponents) const {
    const std::size_t count = static_cast<std::size_t>(noteCount);
    long double sum = 0;
    for (int i = 0; i < size; ++i) {
        const long double* row = &weights[static_cast<std::size_t>(notes[i]) * count];
        long double product = 1;
        for (int j = 0; j < size; ++j) {
            product *= row[notes[j]];
        }
        exponents[i] = clamped(product);
        sum += exponents[i];
    }
    const long double normaliser = 1 / sum;
    for (int i = 0; i < size; ++i) {
        exponents[i] = clamped(normaliser * exponents[i]);
    }
}

int SplitSearch::sortedChildren(const int* notes, const int& size, std::uint16_t* childNotes,
                                long double* childExponents) const {
    // Scratch of the calling thread.
    thread_local std::vector<long double> exponents;
    thread_local std::vector<std::pair<long double, int>> order;
    exponents.resize(static_cast<std::size_t>(size));
    order.resize(static_cast<std::size_t>(size));
    exactExponents(notes, size, exponents.data());
    int count = 0;
    for (int i = 0; i < size; ++i) {
        if (notes[i] != 0) {
            order[count++] = {exponents[i], notes[i]};
        }
    }
    std::sort(order.begin(), order.begin() + count, [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    for (int i = 0; i < count; ++i) {
        childNotes[i] = static_cast<std::uint16_t>(order[i].second);
        childExponents[i] = order[i].first;
    }
    return count;
}

namespace {

// The targets of an expansion of a fixed child, and of one filed in another part.
constexpr std::uint32_t noTarget = ~std::uint32_t(0);
constexpr std::uint32_t otherPart = noTarget - 1;

// The number of weights among the first `reached` (in descending order) whose product with the
// exponent exceeds the cutoff, as the recursion tests it.
std::size_t reachedBy(const unsigned char* weights, const std::size_t& reached,
                      const long double& exponent, const long double& cutoff) {
    std::size_t low = 0;
    std::size_t high = reached;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (exponent * unpack(weights + middle * packedBytes) > cutoff) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

} // namespace

// One child of a state of the frontier whose level some of the state's weights reach: the
// first `count` of them, filed at the next depth under `target` unless the child is fixed.
struct SplitSearch::Expansion {
    long double exponent;
    std::uint32_t state;
    std::uint32_t count;
    std::uint32_t target;
    std::uint32_t child;
};

bool SplitSearch::startFrontier(Frontier& frontier, const std::vector<int>& notes) {
    std::vector<char> started(static_cast<std::size_t>(noteCount), 0);
    unsigned char one[packedBytes];
    pack(one, 1);
    for (const int note : notes) {
        const std::size_t index = static_cast<std::size_t>(note);
        if (note <= 0 || note >= noteCount || fixed[index] || started[index]) {
            continue;
        }
        started[index] = 1;
        frontier.current.push_back(note);
        for (std::size_t word = 0; word < frontier.words; ++word) {
            const int left = noteCount - static_cast<int>(word * 64);
            frontier.keys.push_back(left >= 64 ? ~std::uint64_t(0)
                                               : (std::uint64_t(1) << left) - 1);
        }
        frontier.weightBytes.insert(frontier.weightBytes.end(), one, one + packedBytes);
        frontier.notes.push_back(static_cast<std::uint16_t>(note));
        frontier.offsets.push_back(frontier.notes.size());
    }
    return frontier.states() > 0;
}

// The children of the lists met last, by list. A frontier's states share few lists among many
// current notes, and sorting a list's children took a third of filing a depth.
class SplitSearch::ListChildren {
public:
    explicit ListChildren(const SplitSearch& search)
        : search(search), count(static_cast<std::size_t>(search.noteCount)), lists(remembered, 0),
          sizes(remembered, 0), notes(remembered * count), exponents(remembered * count),
          list(count) {}

    // The children of the state's list, sorted as sortedChildren sorts them; their number.
    int of(const Frontier& frontier, const std::size_t& state, const std::uint16_t*& childNotes,
           const long double*& childExponents) {
        // Note 0 is on every list, so no list is 0, the mark of an empty slot.
        const std::uint64_t key = frontier.words == 1 ? frontier.key(state)[0] : 0;
        const std::size_t slot = key != 0 ? mix(key) & (remembered - 1) : 0;
        childNotes = &notes[slot * count];
        childExponents = &exponents[slot * count];
        if (key == 0 || lists[slot] != key) {
            const int size = frontier.list(state, list.data());
            lists[slot] = key;
            sizes[slot] = search.sortedChildren(list.data(), size, &notes[slot * count],
                                                &exponents[slot * count]);
        }
        return sizes[slot];
    }

private:
    static constexpr std::size_t remembered = 4096;
    const SplitSearch& search;
    std::size_t count;
    std::vector<std::uint64_t> lists;
    std::vector<int> sizes;
    std::vector<std::uint16_t> notes;
    std::vector<long double> exponents;
    std::vector<int> list;
};

std::vector<SplitSearch::Expansion>
SplitSearch::findExpansions(const Frontier& frontier, const int& threads,
                            const std::function<void()>& tick) const {
    std::vector<std::vector<Expansion>> perChunk((frontier.states() + chunkSize - 1) / chunkSize);
    // What a thread remembers holds for every cutoff, note and depth of this search.
    while (lists.size() < static_cast<std::size_t>(threads)) {
        lists.push_back(std::make_unique<ListChildren>(*this));
    }
    forChunks(frontier.states(), threads, cancelationRequest, tick,
              [&](std::size_t begin, std::size_t end, int thread) {
                  std::vector<Expansion>& found = perChunk[begin / chunkSize];
                  found.reserve((end - begin) * 4);
                  for (std::size_t state = begin; state < end; ++state) {
                      const std::uint16_t* children = nullptr;
                      const long double* exponents = nullptr;
                      const int count = lists[static_cast<std::size_t>(thread)]->of(
                          frontier, state, children, exponents);
                      const unsigned char* weights =
                          &frontier.weightBytes[frontier.offsets[state] * packedBytes];
                      // By descending exponent, each child reaches no more weights than the one
                      // before.
                      std::size_t reached = frontier.offsets[state + 1] - frontier.offsets[state];
                      for (int i = 0; i < count; ++i) {
                          const std::size_t child = children[static_cast<std::size_t>(i)];
                          if (static_cast<int>(child) == frontier.current[state]) {
                              continue;
                          }
                          const long double exponent = exponents[static_cast<std::size_t>(i)];
                          if (!everyPathFollowed) {
                              reached = reachedBy(weights, reached, exponent, cutoff);
                          }
                          if (reached == 0) {
                              break;
                          }
                          found.push_back({exponent, static_cast<std::uint32_t>(state),
                                           static_cast<std::uint32_t>(reached), noTarget,
                                           static_cast<std::uint32_t>(child)});
                      }
                  }
              });
    std::size_t total = 0;
    for (const std::vector<Expansion>& found : perChunk) {
        total += found.size();
    }
    std::vector<Expansion> expansions;
    expansions.reserve(total);
    for (std::vector<Expansion>& found : perChunk) {
        expansions.insert(expansions.end(), found.begin(), found.end());
        std::vector<Expansion>().swap(found);
    }
    return expansions;
}

void SplitSearch::fileTargets(const Frontier& frontier, std::vector<Expansion>& expansions,
                              Frontier& next, const std::size_t& part,
                              const std::size_t& parts) const {
    const std::size_t words = frontier.words;
    std::size_t slotCount = 1024;
    while (slotCount * parts < 2 * expansions.size()) {
        slotCount *= 2;
    }
    // State numbers + 1 by the hash of (current note, list); 0 for a free slot.
    std::vector<std::uint32_t> filing(slotCount, 0);
    std::vector<std::uint64_t> key(words);
    std::vector<std::size_t> counts;
    unsigned sinceLook = 0;
    for (Expansion& expansion : expansions) {
        // A few million expansions take tens of milliseconds on one thread.
        if (++sinceLook == levelsPerFlagLook) {
            sinceLook = 0;
            if (cancelationRequest) {
                break;
            }
        }
        // A fixed child's levels are counted with the first part.
        if (!files(expansion)) {
            expansion.target = part == 0 ? noTarget : otherPart;
            continue;
        }
        const std::uint64_t* from = frontier.key(expansion.state);
        const int current = frontier.current[expansion.state];
        std::copy(from, from + words, key.begin());
        key[static_cast<std::size_t>(current / 64)] &= ~(std::uint64_t(1) << (current % 64));
        const int child = static_cast<int>(expansion.child);
        std::uint64_t hash = mix(static_cast<std::uint64_t>(child) + 0x9e3779b97f4a7c15ULL);
        for (std::size_t word = 0; word < words; ++word) {
            hash = mix(hash ^ key[word]);
        }
        // The high bits pick the part, the low ones the slot.
        if ((hash >> 32) % parts != part) {
            expansion.target = otherPart;
            continue;
        }
        std::size_t slot = hash & (slotCount - 1);
        while (filing[slot] != 0) {
            const std::size_t state = filing[slot] - 1;
            if (next.current[state] == child &&
                std::equal(key.begin(), key.end(), next.key(state))) {
                break;
            }
            slot = (slot + 1) & (slotCount - 1);
        }
        if (filing[slot] == 0) {
            next.current.push_back(child);
            next.keys.insert(next.keys.end(), key.begin(), key.end());
            counts.push_back(0);
            filing[slot] = static_cast<std::uint32_t>(next.states());
        }
        expansion.target = filing[slot] - 1;
        counts[expansion.target] += expansion.count;
    }
    next.offsets.assign(1, 0);
    for (const std::size_t count : counts) {
        next.offsets.push_back(next.offsets.back() + count);
    }
}

void SplitSearch::fillNext(const Frontier& frontier, const std::vector<Expansion>& expansions,
                           Frontier& next, const int& threads, const std::function<void()>& tick) {
    const std::size_t count = static_cast<std::size_t>(noteCount);
    // The expansions by target, those of fixed children (which file nothing) last.
    std::vector<std::size_t> incoming(next.states() + 2, 0);
    for (const Expansion& expansion : expansions) {
        if (expansion.target != otherPart) {
            ++incoming[expansion.target == noTarget ? next.states() + 1 : expansion.target + 1];
        }
    }
    for (std::size_t target = 1; target < incoming.size(); ++target) {
        incoming[target] += incoming[target - 1];
    }
    std::vector<std::uint32_t> order(incoming.back());
    {
        std::vector<std::size_t> cursor(incoming.begin(), incoming.end() - 1);
        for (std::size_t index = 0; index < expansions.size(); ++index) {
            const std::uint32_t target = expansions[index].target;
            if (target == otherPart) {
                continue;
            }
            order[cursor[target == noTarget ? next.states() : target]++] =
                static_cast<std::uint32_t>(index);
        }
    }
    next.weightBytes.resize(next.offsets.back() * packedBytes);
    next.notes.resize(next.offsets.back());
    std::vector<std::vector<long double>> threadSums(static_cast<std::size_t>(threads),
                                                     std::vector<long double>(count, 0));
    // The fixed children's expansions count as one more target.
    forChunks(next.states() + 1, threads, cancelationRequest, tick,
              [&](std::size_t begin, std::size_t end, int thread) {
                  std::vector<Run> runs;
                  for (std::size_t target = begin; target < end; ++target) {
                      runs.clear();
                      for (std::size_t at = incoming[target]; at < incoming[target + 1]; ++at) {
                          runs.push_back(runOf(frontier, expansions[order[at]]));
                      }
                      std::vector<long double>& sum = threadSums[static_cast<std::size_t>(thread)];
                      if (target < next.states()) {
                          mergeRuns(frontier, runs, next, next.offsets[target], sum);
                      } else {
                          for (Run& run : runs) {
                              for (; run.next < run.end; ++run.next) {
                                  sum[frontier.notes[run.next]] +=
                                      clamped(run.exponent * frontier.weight(run.next)) * run.term;
                              }
                          }
                      }
                  }
              });
    for (const std::vector<long double>& sum : threadSums) {
        for (std::size_t note = 0; note < count; ++note) {
            sums[note] += sum[note];
        }
    }
}

SplitSearch::Run SplitSearch::runOf(const Frontier& frontier, const Expansion& expansion) const {
    const std::size_t current = static_cast<std::size_t>(frontier.current[expansion.state]);
    Run run;
    run.exponent = expansion.exponent;
    run.term = localTerms[current * static_cast<std::size_t>(noteCount) + expansion.child];
    run.next = frontier.offsets[expansion.state];
    run.end = run.next + expansion.count;
    return run;
}

void SplitSearch::mergeRuns(const Frontier& frontier, std::vector<Run>& runs, Frontier& next,
                            const std::size_t& first, std::vector<long double>& sum) {
    // A monotone map of a state's descending weights keeps them in order: each run is sorted,
    // and taking the heaviest head each time sorts the whole. The heads rounded to double pick
    // it cheaply (rounding keeps order), the heads themselves where those are equal.
    thread_local std::vector<double> rounded;
    rounded.resize(runs.size());
    for (std::size_t index = 0; index < runs.size(); ++index) {
        runs[index].head = clamped(runs[index].exponent * frontier.weight(runs[index].next));
        rounded[index] = static_cast<double>(runs[index].head);
    }
    std::size_t live = runs.size();
    for (std::size_t entry = first; live > 0; ++entry) {
        std::size_t heaviest = 0;
        for (std::size_t index = 1; index < live; ++index) {
            if (rounded[index] > rounded[heaviest] ||
                (rounded[index] == rounded[heaviest] && runs[index].head > runs[heaviest].head)) {
                heaviest = index;
            }
        }
        Run& run = runs[heaviest];
        const std::uint16_t note = frontier.notes[run.next];
        sum[note] += run.head * run.term;
        pack(&next.weightBytes[entry * packedBytes], run.head);
        next.notes[entry] = note;
        if (++run.next < run.end) {
            run.head = clamped(run.exponent * frontier.weight(run.next));
            rounded[heaviest] = static_cast<double>(run.head);
        } else {
            --live;
            std::swap(runs[heaviest], runs[live]);
            std::swap(rounded[heaviest], rounded[live]);
        }
    }
}

bool SplitSearch::files(const Expansion& expansion) const {
    return !fixed[expansion.child];
}

std::size_t SplitSearch::filedBytes(const std::vector<Expansion>& expansions,
                                    const std::size_t& words) const {
    const std::size_t stateBytes =
        sizeof(int) + words * sizeof(std::uint64_t) + 2 * sizeof(std::size_t);
    std::size_t bytes = 0;
    for (const Expansion& expansion : expansions) {
        bytes += files(expansion) ? expansion.count * Frontier::entryBytes + stateBytes : 0;
    }
    return bytes;
}

std::size_t SplitSearch::partsBelow(const Frontier& frontier,
                                    const std::vector<Expansion>& expansions) const {
    std::size_t entries = 0;
    for (const Expansion& expansion : expansions) {
        entries += files(expansion) ? expansion.count : 0;
    }
    if (entries == 0 || !walkExceeds(frontier, entries / fileToWalk)) {
        return 0;
    }
    const std::size_t free = roomBelow(frontier, expansions);
    const std::size_t bytes =
        filedBytes(expansions, frontier.words) + expansions.size() * filingBytes;
    if (bytes <= free) {
        return 1;
    }
    // Parts are filled by hash, so some take more than their share.
    const std::size_t parts =
        (bytes + bytes / partSlack + free - 1) / std::max<std::size_t>(free, 1);
    return parts <= mostParts ? parts : 0;
}

std::size_t SplitSearch::roomBelow(const Frontier& frontier,
                                   const std::vector<Expansion>& expansions) const {
    const std::size_t held = frontier.heldBytes() + expansions.size() * sizeof(Expansion);
    return frontierBudget > held ? frontierBudget - held : 0;
}

bool SplitSearch::descend(const int& threads, const std::function<void()>& tick) {
    for (;; ++depth) {
        std::vector<Expansion> expansions;
        if (depth < depthLimit) {
            expansions = findExpansions(*kept, threads, tick);
        }
        if (cancelationRequest) {
            return false;
        }
        const std::size_t parts = expansions.empty() ? 0 : partsBelow(*kept, expansions);
        if (parts == 0) {
            return walkFrontier(*kept, threads, tick, 0, 1);
        }
        const std::size_t free = roomBelow(*kept, expansions);
        const std::size_t filing = expansions.size() / parts * filingBytes;
        const std::size_t room = free > filing ? free - filing : 0;
        for (std::size_t part = 0; part < parts; ++part) {
            // The spare frontier keeps its memory from one depth, part and pilot to the next, so
            // that its pages are taken from the system once, unless it holds more than there is
            // room for.
            if (spare->heldBytes() > room) {
                *spare = Frontier(kept->words);
            }
            spare->clear();
            fileTargets(*kept, expansions, *spare, part, parts);
            if (cancelationRequest) {
                return false;
            }
            fillNext(*kept, expansions, *spare, threads, tick);
            // A part's states meet the other parts' below it: it is walked.
            const double step = 1 / static_cast<double>(parts);
            if (cancelationRequest ||
                (parts > 1 && !walkFrontier(*spare, threads, tick, step * static_cast<double>(part),
                                            step * static_cast<double>(part + 1)))) {
                return false;
            }
        }
        if (parts > 1) {
            ++depth;
            return true;
        }
        std::swap(kept, spare);
    }
}

bool SplitSearch::walkFrontier(const Frontier& frontier, const int& threads,
                               const std::function<void()>& tick, const double& low,
                               const double& high) {
    filed = std::max(filed, frontier.entries());
    stateCount = std::max(stateCount, frontier.states());
    if (!walkBegun) {
        walkStarted = Clock::now();
        walkBegun = true;
    }
    walkLow = low;
    walkHigh = high;
    statesWalked = 0;
    statesToWalk = frontier.states();
    return walkStates(frontier, threads, tick);
}

// Walks the subtrees of states on one thread, adding what it finds to sums of its own.
class SplitSearch::Walker {
public:
    Walker(const SplitSearch& search, const Frontier& frontier)
        : search(search), frontier(frontier), count(static_cast<std::size_t>(search.noteCount)),
          lists(count * count), sizes(count), masks(count), taken(count), childNotes(count * count),
          childExponents(count * count), scratch(count) {
        sums.assign(count, 0);
    }

    // Adds every level below the state to the sums; false when cancelled.
    bool walkState(const std::size_t& state) {
        const std::size_t first = frontier.offsets[state];
        const std::size_t filed = frontier.offsets[state + 1] - first;
        filedWeights.resize(filed);
        filedNotes.assign(frontier.notes.begin() + static_cast<std::ptrdiff_t>(first),
                          frontier.notes.begin() + static_cast<std::ptrdiff_t>(first + filed));
        roughWeights.resize(filed);
        for (std::size_t entry = 0; entry < filed; ++entry) {
            filedWeights[entry] = frontier.weight(first + entry);
            roughWeights[entry] = static_cast<double>(filedWeights[entry]);
        }
        levelSums.assign(filed + 1, 0);
        roughSums.assign(filed + 1, 0);
        roughErrors.assign(filed + 1, 0);
        if (inDouble) {
            setRungs();
        }
        sizes[0] = frontier.list(state, lists.data());
        masks[0] = frontier.key(state)[0];
        if (!(inDouble ? walk<double>(0, frontier.current[state], 1, filed)
                       : walk<long double>(0, frontier.current[state], 1, filed))) {
            return false;
        }
        // A level that the first k weights reach adds its term to each of them.
        long double above = 0;
        for (std::size_t entry = filed; entry-- > 0;) {
            above += levelSums[entry + 1] + static_cast<long double>(roughSums[entry + 1]) +
                     static_cast<long double>(roughErrors[entry + 1]);
            sums[filedNotes[entry]] += filedWeights[entry] * above;
        }
        return true;
    }

    std::vector<long double> sums;

private:
    // Real is double where the nearness margins hold for it (inDouble), long double otherwise.
    template <typename Real>
    bool walk(const int level, const int current, const Real relative, const std::size_t reached) {
        if (++levels > levelLimit) {
            return false;
        }
        if (++sinceLook == levelsPerFlagLook) {
            sinceLook = 0;
            if (search.cancelationRequest) {
                return false;
            }
        }
        const Children children = childrenAt(level);
        const Real* terms = &termsIn(Real())[static_cast<std::size_t>(current) * count];
        const char* fixedNotes = search.fixed.data();
        // The heaviest exponents of the list below, which every child shares: a child whose
        // level reaches no level below it is not walked.
        const Children below = tabledBelow(level, current);
        const Real heaviest = weightsIn(Real())[0];
        const Real firstBelow = below.count > 0 ? heaviest * below.exponents[0] : 0;
        const Real secondBelow = below.count > 1 ? heaviest * below.exponents[1] : 0;
        const int firstNoteBelow = below.count > 0 ? below.notes[0] : -1;
        const Real margin = Real(search.cutoff) * (1 - Real(nearnessPerLevel) * (level + 3));
        const Real nearness = Real(nearnessPerLevel) * (level + 2);
        const Real cutBelow = Real(search.cutoff) * (1 - nearness);
        const Real cutAbove = Real(search.cutoff) * (1 + nearness);
        bool listed = false;
        // By descending exponent, each child reaches no more weights than the one before.
        std::size_t bound = reached;
        for (int i = 0; i < children.count; ++i) {
            const int child = children.notes[i];
            if (child == current) {
                continue;
            }
            const Real weight = relative * children.exponents[i];
            bound = reachedBelow(level, child, weight, bound, cutBelow, cutAbove);
            if (bound == 0) {
                break;
            }
            addToLevel(bound, weight * terms[child]);
            if (fixedNotes[child] ||
                (below.count > 0 &&
                 weight * (child != firstNoteBelow ? firstBelow : secondBelow) <= margin)) {
                continue;
            }
            if (!listed) {
                listBelow(level, current);
                listed = true;
            }
            taken[static_cast<std::size_t>(level)] = child;
            if (!walk<Real>(level + 1, child, weight, bound)) {
                return false;
            }
        }
        return true;
    }

    // The children of the list below the level from the table; none without a table.
    Children tabledBelow(const int& level, const int& current) const {
        if (search.tableOffsets.empty()) {
            return {};
        }
        const std::uint64_t mask =
            masks[static_cast<std::size_t>(level)] & ~(std::uint64_t(1) << current);
        const std::uint32_t offset = search.tableOffsets[mask >> 1];
        return {&search.tableNotes[offset], &search.tableExponents[offset],
                sizes[static_cast<std::size_t>(level)] - 2};
    }

    Children childrenAt(const int& level) {
        const std::size_t at = static_cast<std::size_t>(level);
        if (!search.tableOffsets.empty()) {
            const std::uint32_t offset = search.tableOffsets[masks[at] >> 1];
            return {&search.tableNotes[offset], &search.tableExponents[offset], sizes[at] - 1};
        }
        std::uint16_t* notes = &childNotes[at * count];
        double* exponents = &childExponents[at * count];
        const int children =
            search.sortedChildren(&lists[at * count], sizes[at], notes, scratch.data());
        for (int i = 0; i < children; ++i) {
            exponents[i] = static_cast<double>(scratch[static_cast<std::size_t>(i)]);
        }
        return {notes, exponents, children};
    }

    void listBelow(const int level, const int current) {
        const std::size_t at = static_cast<std::size_t>(level);
        masks[at + 1] = current < 64 ? masks[at] & ~(std::uint64_t(1) << current) : masks[at];
        sizes[at + 1] = sizes[at] - 1;
        // With a table the masks stand for the lists, which only an exact test reads.
        if (!search.tableOffsets.empty()) {
            return;
        }
        const int* from = &lists[at * count];
        int* to = &lists[(at + 1) * count];
        int size = 0;
        for (int i = 0; i < sizes[at]; ++i) {
            if (from[i] != current) {
                to[size++] = from[i];
            }
        }
        sizes[at + 1] = size;
    }

    // How many of the first `reached` filed weights reach the level below with this relative
    // weight, as the recursion decides it.
    template <typename Real>
    // cutBelow and cutAbove: the cutoff less and plus its nearness at this level.
    std::size_t reachedBelow(const int level, const int child, const Real relative,
                             const std::size_t reached, const Real cutBelow, const Real cutAbove) {
        if (search.everyPathFollowed) {
            return reached;
        }
        const Real cutoff = Real(search.cutoff);
        const Real* filed = weightsIn(Real());
        // Most often the heaviest filed weight falls short, or the lightest still reaches.
        if (filed[0] * relative <= cutBelow) {
            return 0;
        }
        if (filed[reached - 1] * relative > cutAbove) {
            return reached;
        }
        std::size_t low = firstCut(relative, reached, cutoff);
        const bool near = (low > 0 && filed[low - 1] * relative <= cutAbove) ||
                          (low < reached && filed[low] * relative > cutBelow);
        if (!near) {
            return low;
        }
        taken[static_cast<std::size_t>(level)] = child;
        low = 0;
        std::size_t high = reached;
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (reachedExactly(middle, level)) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    }

    // The first of the first `reached` filed weights whose product with the relative weight is
    // at most the cutoff, in double; a result off by the rounding is near the cutoff.
    std::size_t firstCut(const long double relative, const std::size_t reached,
                         const long double cutoff) const {
        const double threshold = static_cast<double>(cutoff / relative);
        const double* base = roughWeights.data();
        for (std::size_t left = reached; left > 1;) {
            const std::size_t half = left / 2;
            base = base[half - 1] > threshold ? base + half : base;
            left -= half;
        }
        return static_cast<std::size_t>(base - roughWeights.data()) + (base[0] > threshold ? 1 : 0);
    }
    // The same, between the counts of the rungs that the relative weight lies between.
    std::size_t firstCut(const double relative, const std::size_t reached,
                         const double cutoff) const {
        const std::uint64_t rung = bitsOf(relative) >> rungShift;
        const std::size_t at = static_cast<std::size_t>(
            rung <= lowestRung ? 0 : std::min<std::uint64_t>(rung - lowestRung, rungs.size() - 2));
        std::size_t low = std::min(rungs[at], reached);
        std::size_t left = std::min(rungs[at + 1], reached) - low;
        while (left > 0) {
            const std::size_t half = left / 2;
            if (roughWeights[low + half] * relative > cutoff) {
                low += half + 1;
                left -= half + 1;
            } else {
                left = half;
            }
        }
        return low;
    }

    static std::uint64_t bitsOf(const double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }

    // Sets the rungs for the state's filed weights: relative weights spaced a sixteenth of an
    // octave apart (or wider, to keep to mostRungs) from the one that no filed weight reaches to
    // the one that all reach, each with the number of filed weights whose product with it
    // exceeds the cutoff. A child's count then lies between two rungs' counts, most often equal.
    void setRungs() {
        const std::size_t filed = roughWeights.size();
        const double cutoff = static_cast<double>(search.cutoff);
        const std::uint64_t lightest = bitsOf(cutoff / roughWeights[0]);
        const std::uint64_t heaviest = bitsOf(cutoff / roughWeights[filed - 1]);
        rungShift = 48;
        while (((heaviest >> rungShift) - (lightest >> rungShift)) + 4 > mostRungs) {
            ++rungShift;
        }
        // A rung to spare at either end for the rounding of the two bounds.
        lowestRung = (lightest >> rungShift) - 1;
        rungs.resize(static_cast<std::size_t>((heaviest >> rungShift) + 2 - lowestRung) + 1);
        std::size_t reaching = 0;
        for (std::size_t at = 0; at < rungs.size(); ++at) {
            const std::uint64_t bits = (lowestRung + at) << rungShift;
            double relative = 0;
            std::memcpy(&relative, &bits, sizeof relative);
            while (reaching < filed && roughWeights[reaching] * relative > cutoff) {
                ++reaching;
            }
            rungs[at] = reaching;
        }
    }

    // Whether the filed weight reaches the level below, by the recursion's product step by step
    // along the path from the state.
    bool reachedExactly(const std::size_t& entry, const int& level) {
        long double weight = filedWeights[entry];
        for (int step = 0; step <= level; ++step) {
            const std::size_t at = static_cast<std::size_t>(step);
            int* list = &lists[at * count];
            if (step > 0 && !search.tableOffsets.empty()) {
                int size = 0;
                for (std::uint64_t left = masks[at]; left != 0; left &= left - 1) {
                    list[size++] = __builtin_ctzll(left);
                }
            }
            search.exactExponents(list, sizes[at], scratch.data());
            const std::size_t index =
                static_cast<std::size_t>(std::find(list, list + sizes[at], taken[at]) - list);
            const long double product = scratch[index] * weight;
            if (step == level) {
                return product > search.cutoff;
            }
            weight = clamped(product);
        }
        return false;
    }

    const SplitSearch& search;
    const Frontier& frontier;
    std::size_t count;
    std::vector<long double> filedWeights;
    std::vector<double> roughWeights;
    static constexpr std::uint64_t mostRungs = 1024;
    std::vector<std::size_t> rungs;
    std::uint64_t lowestRung = 0;
    int rungShift = 48;
    std::vector<std::uint16_t> filedNotes;
    // At [k]: the sum of a * h over the levels that the first k filed weights reach; the walk
    // in double keeps it as a sum in double and the rounding errors of its additions, summed
    // (as exact as a long double, and without the x87 unit's slow stores).
    std::vector<long double> levelSums;
    std::vector<double> roughSums;
    std::vector<double> roughErrors;

    void addToLevel(const std::size_t at, const long double term) { levelSums[at] += term; }
    void addToLevel(const std::size_t at, const double term) {
        double& sum = roughSums[at];
        const double total = sum + term;
        const double termPart = total - sum;
        roughErrors[at] += (sum - (total - termPart)) + (term - termPart);
        sum = total;
    }
    // Per level below the state (0 for the state's own): its list, the list as a bit mask,
    // the child being followed, and its children where the table has none.
    std::vector<int> lists;
    std::vector<int> sizes;
    std::vector<std::uint64_t> masks;
    std::vector<int> taken;
    std::vector<std::uint16_t> childNotes;
    std::vector<double> childExponents;
    std::vector<long double> scratch;
    unsigned sinceLook = 0;
    // Products that the cutoff tests stay normal doubles, and one below the smallest is far
    // below the cutoff; where a level's weight may be that small and still be reached, the
    // walk takes long doubles.
    const bool inDouble = !search.everyPathFollowed && search.cutoff >= 1e-200L;

    // The filed weights and local terms in the walk's type, chosen by a value of it.
    const double* weightsIn(double) const { return roughWeights.data(); }
    const long double* weightsIn(long double) const { return filedWeights.data(); }
    const double* termsIn(double) const { return search.roughTerms.data(); }
    const long double* termsIn(long double) const { return search.localTerms.data(); }

public:
    // A walk that would go through more levels than this stops as a cancelled one does.
    std::uint64_t levelLimit = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t levels = 0;
};

void SplitSearch::buildExponentTable(const int& largestList, const int& threads,
                                     const std::function<void()>& tick) {
    const std::size_t sets = std::size_t(1) << (noteCount - 1);
    tableOffsets.assign(sets, 0);
    std::size_t total = 0;
    for (std::size_t set = 1; set < sets; ++set) {
        tableOffsets[set] = static_cast<std::uint32_t>(total);
        if (__builtin_popcountll(set) < largestList) {
            total += static_cast<std::size_t>(__builtin_popcountll(set));
        }
    }
    tableNotes.assign(total, 0);
    tableExponents.assign(total, 0);
    forChunks(sets, threads, cancelationRequest, tick,
              [&](std::size_t begin, std::size_t end, int) {
                  std::vector<int> list(static_cast<std::size_t>(noteCount));
                  std::vector<long double> exponents(list.size());
                  for (std::size_t set = std::max<std::size_t>(begin, 1); set < end; ++set) {
                      if (__builtin_popcountll(set) >= largestList) {
                          continue;
                      }
                      int size = 1;
                      for (std::uint64_t left = set; left != 0; left &= left - 1) {
                          list[static_cast<std::size_t>(size++)] = 1 + __builtin_ctzll(left);
                      }
                      const std::uint32_t offset = tableOffsets[set];
                      const int children =
                          sortedChildren(list.data(), size, &tableNotes[offset], exponents.data());
                      for (int i = 0; i < children; ++i) {
                          tableExponents[offset + static_cast<std::size_t>(i)] =
                              static_cast<double>(exponents[static_cast<std::size_t>(i)]);
                      }
                  }
              });
}

bool SplitSearch::walkExceeds(const Frontier& frontier, const std::size_t& levels) const {
    // Every stride-th state, at least sixteen of them where there are as many.
    const std::size_t stride =
        std::max<std::size_t>(1, std::min<std::size_t>(walkSampleStride, frontier.states() / 16));
    Walker walker(*this, frontier);
    walker.levelLimit = levels / stride + 1;
    for (std::size_t state = stride / 2; state < frontier.states(); state += stride) {
        if (!walker.walkState(state)) {
            return true;
        }
    }
    return false;
}

bool SplitSearch::walkStates(const Frontier& frontier, const int& threads,
                             const std::function<void()>& tick) {
    const int used = static_cast<int>(std::max<std::size_t>(
        1, std::min<std::size_t>(static_cast<std::size_t>(threads), frontier.states())));
    std::vector<std::unique_ptr<Walker>> walkers;
    for (int thread = 0; thread < used; ++thread) {
        walkers.push_back(std::make_unique<Walker>(*this, frontier));
    }
    std::atomic<std::size_t> next(0);
    // In an order spread over the whole frontier, so that the share of states walked is a fair
    // measure of the walk's progress: states filed together tend to cost alike.
    const std::size_t states = frontier.states();
    const std::size_t spread = states % spreadingStep != 0 ? spreadingStep % states : 1;
    runOnThreads(
        used,
        [&](const int& thread) {
            Walker& walker = *walkers[static_cast<std::size_t>(thread)];
            for (std::size_t taken = next++; taken < states; taken = next++) {
                if (!walker.walkState(taken * spread % states)) {
                    return;
                }
                ++statesWalked;
            }
        },
        tick);
    tick();
    for (const std::unique_ptr<Walker>& walker : walkers) {
        for (std::size_t note = 0; note < sums.size(); ++note) {
            sums[note] += walker->sums[note];
        }
    }
    return !cancelationRequest;
}

bool SplitSearch::searchGroup(const std::vector<int>& notes, const int& threads,
                              const std::function<void()>& tick) {
    if (!kept) {
        kept = std::make_unique<Frontier>((static_cast<std::size_t>(noteCount) + 63) / 64);
        spare = std::make_unique<Frontier>(kept->words);
    }
    kept->clear();
    depth = 0;
    walkBegun = false;
    statesToWalk = 0;
    if (!startFrontier(*kept, notes)) {
        return true;
    }
    return descend(threads, tick);
}

std::optional<SplitSearch::PilotTime> SplitSearch::pilot(const std::vector<int>& notes,
                                                         const int& threads,
                                                         const std::function<void()>& tick,
                                                         const long double& raisedCutoff) {
    const long double searchCutoff = cutoff;
    const bool searchFollowsEvery = everyPathFollowed;
    cutoff = raisedCutoff;
    everyPathFollowed = false;
    const Clock::time_point started = Clock::now();
    const std::clock_t processorStarted = std::clock();
    const bool searched = searchGroup(notes, threads, tick);
    const PilotTime time{secondsSince(started),
                         static_cast<double>(std::clock() - processorStarted) / CLOCKS_PER_SEC};
    cutoff = searchCutoff;
    everyPathFollowed = searchFollowsEvery;
    walkBegun = false;
    std::fill(sums.begin(), sums.end(), 0);
    filed = 0;
    stateCount = 0;
    return searched ? std::optional<PilotTime>(time) : std::nullopt;
}

std::vector<double> SplitSearch::forecastTime(const std::vector<int>& notes, const int& threads,
                                              const std::function<void()>& tick) {
    // With no cutoff to raise, the bar follows the ticks alone.
    std::vector<double> forecast(1, 1);
    if (cutoff <= 0) {
        return forecast;
    }
    std::vector<double> wall;
    std::vector<double> processor;
    const int firstDecades =
        std::max(1, static_cast<int>(std::ceil(std::log10(firstPilotCutoff / cutoff))));
    for (int decades = firstDecades; decades > 0; --decades) {
        const long double raised = cutoff * std::pow(10.0L, decades);
        const std::optional<PilotTime> timed = pilot(notes, threads, tick, raised);
        if (!timed) {
            return {};
        }
        wall.push_back(timed->wall);
        processor.push_back(timed->processor);
        forecast = forecastFromPilots(wall, processor, decades);
        // A pilot long enough to measure and short against the forecast ends the series, and so
        // does a search that will be short whatever the forecast's error.
        const double seconds = timed->wall;
        if (seconds >= longestPilot ||
            (seconds >= longPilot &&
             seconds >= pilotShare * std::accumulate(forecast.begin(), forecast.end(), 0.0)) ||
            forecastsShortSearch({seconds}, decades, shortSearch)) {
            break;
        }
    }
    return forecast;
}

double SplitSearch::walkShare(const double& elapsed) const {
    if (!walkBegun || statesToWalk == 0) {
        return -1;
    }
    const double walked = static_cast<double>(std::min<std::size_t>(statesWalked, statesToWalk)) /
                          static_cast<double>(statesToWalk);
    const double progress = walkLow + (walkHigh - walkLow) * walked;
    return shareFromLastStage(elapsed, secondsSince(walkStarted),
                              static_cast<std::size_t>(progress * progressUnits), progressUnits);
}

std::vector<long double> SplitSearch::tune(const std::vector<int>& notes, const int& threads,
                                           WorkCounter* work, const std::function<void()>& tick) {
#if defined(__GLIBC__)
    // Blocks from a quarter of a megabyte up are mapped from the system and given back to it
    // when freed. Otherwise the allocator raises that bound to the largest block freed, and the
    // frontiers' and threads' blocks, once freed, stay in the heap and count towards the budget
    // again note after note.
    mallopt(M_MMAP_THRESHOLD, 256 << 10);
#endif
    const std::size_t count = static_cast<std::size_t>(noteCount);
    sums.assign(count, 0);
    filed = 0;
    stateCount = 0;
    tabled = noteCount - 1 <= tableNotesAbove0 && noteCount >= 2 &&
             tableBytes(noteCount) <= budget / tableShare;
    frontierBudget = budget - (tabled ? tableBytes(noteCount) : 0);
    if (tabled && tableOffsets.empty()) {
        buildExponentTable(noteCount, threads, tick);
    }
    const Clock::time_point started = Clock::now();
    // Only a counter is told the pace: without one the pilot would be time lost.
    std::vector<double> forecast =
        work != nullptr ? forecastTime(notes, threads, tick) : std::vector<double>(1, 1);
    if (cancelationRequest) {
        return {};
    }
    // The pilots' frontiers hold the memory of their deepest depths, which the search would
    // count as taken and so file its own depths in more parts (17edo at dial 900: 87 s instead
    // of 42 s, its frontiers starting with 52 MB held).
    kept.reset();
    spare.reset();
    SearchPace pace(std::move(forecast), secondsSince(started));
    std::uint64_t counted = 0;
    const Clock::time_point searchStarted = Clock::now();
    const double piloted = secondsSince(started);
    walkBegun = false;
    const auto paced = [&] {
        const double walked = walkShare(piloted + secondsSince(searchStarted));
        // Once the walk has begun, only its pace moves the bar: the pilots' forecast may be far
        // off, and a bar that ran ahead on it would stand until the walk caught up (on a loaded
        // machine, 19edo at dial 950 stood at 4 % for minutes).
        const double share = walked >= 0 ? walked
                             : walkBegun ? 0
                                         : pace.share(secondsSince(searchStarted));
        const std::uint64_t reached =
            static_cast<std::uint64_t>(share * static_cast<double>(workUnits));
        if (work != nullptr && reached > counted) {
            work->add(reached - counted);
            counted = reached;
        }
        tick();
    };
    // All notes at once: the levels of different notes meet in the same states, whose walk
    // then serves them all. That pays better than the deeper split that one note's frontier
    // would fit (17edo at dial 850: 4.4 s against 7.5 s; 19edo at dial 800: 1.8 s against 5.2 s).
    if (!searchGroup(notes, threads, paced)) {
        return {};
    }
    if (work != nullptr) {
        work->add(workUnits - counted);
    }
    std::vector<long double> tuning;
    for (const int note : notes) {
        const std::size_t index = static_cast<std::size_t>(note);
        tuning.push_back(note == 0      ? 1
                         : fixed[index] ? input.sizeFromRoot(note)
                                        : input.sizeFromRoot(note) * std::exp(sums[index]));
    }
    return tuning;
}

// Here, where the classes it owns are whole.
SplitSearch::~SplitSearch() = default;
