#include "tuning/weightedtuning.h"

#include "tuning/notesetsearch.h"
#include "tuning/searchthreads.h"
#include "tuning/splitsearch.h"
#include "tuning/weightedsearch.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <numeric>

namespace {

// The units one note of the path-weight search counts: enough for a share of a share ... of
// an entry, seven levels deep, to count some.
constexpr std::uint64_t unitsPerNote = std::uint64_t(1) << 40;

// A small table leaves room for a search that forgets less often, while the window tuning such
// a table stays within 256 MB (quillmere-tune peaks at 205 MiB on 17edo at dial 800, the window
// at about 50 MiB more). That search takes 5.3 s with this budget, 5.1 s with 224 MiB and 14 s
// with 160 MiB.
constexpr int smallTableNotes = 32;
constexpr std::size_t smallTableBudget = std::size_t(192) << 20;

std::size_t memoryBudgetFor(const int& noteCount) {
    return noteCount <= smallTableNotes ? smallTableBudget : WeightedSearch::defaultMemoryBudget;
}

// Reports the work done when it has risen by another millionth.
class WorkReport {
public:
    WorkReport(WorkCounter& counter, const std::function<void(int)>& report)
        : counter(counter), report(report) {}
    void operator()() {
        const int parts = counter.parts();
        if (parts > last && report) {
            last = parts;
            report(parts);
        }
    }

private:
    WorkCounter& counter;
    const std::function<void(int)>& report;
    int last = 0;
};

// Notes are reported in order as if tuned one after another, so a note reported after the flag
// was set answers 1, as a search that had only then begun would.
void answerIfCancelled(std::vector<long double>& tuning, const int& note,
                       const std::atomic<bool>& cancelationRequest) {
    if (cancelationRequest) {
        tuning[static_cast<std::size_t>(note)] = 1;
    }
}

} // namespace

std::vector<long double> makeWeightedTuning(const SearchInput& input,
                                            std::atomic<bool>& cancelationRequest,
                                            const std::function<void(const int&)>& noteTuned,
                                            const std::function<void(int)>& workPartsDone,
                                            const int& threads) {
    // Note 0 is the reference, known before any search.
    noteTuned(0);
    if (NoteSetSearch::applies(input)) {
        try {
            WorkCounter counter(NoteSetSearch::workUnits(input.noteCount()));
            WorkReport report(counter, workPartsDone);
            NoteSetSearch search(input, cancelationRequest);
            std::vector<long double> tuning = search.tuneAllNotes(threads, &counter, report);
            if (tuning.empty()) {
                tuning.assign(static_cast<std::size_t>(input.noteCount()), 1);
            }
            for (int note = 1; note < input.noteCount(); ++note) {
                answerIfCancelled(tuning, note, cancelationRequest);
                noteTuned(note);
            }
            return tuning;
        } catch (const std::bad_alloc&) {
            // Its tables did not fit after all: the path-weight search manages with less.
        }
    }
    if (!input.takesLogarithms()) {
        return tuneByPathWeights(input, cancelationRequest, noteTuned, workPartsDone, threads,
                                 memoryBudgetFor(input.noteCount()));
    }
    WorkCounter counter(SplitSearch::workUnits);
    WorkReport report(counter, workPartsDone);
    SplitSearch search(input, cancelationRequest);
    std::vector<int> notes(static_cast<std::size_t>(input.noteCount()));
    std::iota(notes.begin(), notes.end(), 0);
    std::vector<long double> tuning = search.tune(notes, threads, &counter, report);
    if (tuning.empty()) {
        tuning.assign(notes.size(), 1);
    }
    for (int note = 1; note < input.noteCount(); ++note) {
        answerIfCancelled(tuning, note, cancelationRequest);
        noteTuned(note);
    }
    return tuning;
}

// The path-weight search on every thread, remembering together: what one finds serves the
// others, and a note takes what the notes before it found. The work of a note is shared out by
// the entries of its top level, taken in order of notes; whichever thread finishes a note's last
// entry sums their powers. (Searches of their own on each thread, each taking the next note,
// were slower on two cores than one search: each remembered too little.) Input whose
// logarithms do not stand for it is searched by the plain recursion, a note at a time.
std::vector<long double> tuneByPathWeights(const SearchInput& input,
                                           std::atomic<bool>& cancelationRequest,
                                           const std::function<void(const int&)>& noteTuned,
                                           const std::function<void(int)>& workPartsDone,
                                           const int& threads, const std::size_t& memoryBudget) {
    const int count = input.noteCount();
    const std::size_t notes = static_cast<std::size_t>(count);
    std::vector<long double> tuning(notes, 1);
    std::vector<int> searched;
    for (int note = 1; note < count; ++note) {
        if (input.isFixed(note)) {
            tuning[static_cast<std::size_t>(note)] = input.sizeFromRoot(note);
        } else {
            searched.push_back(note);
        }
    }
    const std::size_t entries = input.takesLogarithms() ? notes : 1;
    // Per note: the powers of its entries, the entries left to search, and whether it is
    // tuned (set after its value is written).
    std::vector<long double> powers(searched.size() * entries, 0);
    std::unique_ptr<std::atomic<std::size_t>[]> entriesLeft(new std::atomic<std::size_t>[notes]);
    std::unique_ptr<std::atomic<bool>[]> tuned(new std::atomic<bool>[notes]);
    for (std::size_t note = 0; note < notes; ++note) {
        entriesLeft[note] = entries;
        tuned[note] = note == 0 || input.isFixed(static_cast<int>(note));
    }
    const std::uint64_t tasks = static_cast<std::uint64_t>(searched.size() * entries);
    std::atomic<std::uint64_t> nextTask(0);
    // An entry's share of its note's work.
    const std::uint64_t unitsPerEntry = unitsPerNote / entries;

    int reported = 1;
    const auto reportTuned = [&] {
        for (; reported < count && tuned[static_cast<std::size_t>(reported)]; ++reported) {
            answerIfCancelled(tuning, reported, cancelationRequest);
            noteTuned(reported);
        }
    };
    WorkCounter counter(searched.size() * entries * unitsPerEntry);
    WorkReport report(counter, workPartsDone);
    WeightedSearch::Memory memory(input, memoryBudget);
    runOnThreads(
        std::max(1, std::min<int>(threads, static_cast<int>(std::max<std::uint64_t>(tasks, 1)))),
        [&](const int&) {
            WeightedSearch search(memory, cancelationRequest);
            search.countWork(&counter, unitsPerEntry);
            for (std::uint64_t task = nextTask++; task < tasks; task = nextTask++) {
                const std::size_t searchedIndex = static_cast<std::size_t>(task / entries);
                const int note = searched[searchedIndex];
                const std::size_t index = static_cast<std::size_t>(note);
                long double* notePowers = &powers[searchedIndex * entries];
                if (!cancelationRequest) {
                    notePowers[task % entries] =
                        entries == 1 ? search.tuneFromAllNotes(note)
                                     : search.searchEntry(note, static_cast<int>(task % entries));
                }
                if (--entriesLeft[index] == 0) {
                    if (entries == 1) {
                        tuning[index] = notePowers[0];
                    } else {
                        // In list order, as a level of the search sums them.
                        long double logarithm = 0;
                        for (std::size_t entry = 0; entry < entries; ++entry) {
                            logarithm += notePowers[entry];
                        }
                        tuning[index] = std::exp(logarithm);
                    }
                    tuned[index] = true;
                }
            }
        },
        [&] {
            reportTuned();
            report();
        });
    reportTuned();
    return tuning;
}
