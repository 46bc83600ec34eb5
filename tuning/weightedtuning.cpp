#include "tuning/weightedtuning.h"

#include "tuning/notesetsearch.h"
#include "tuning/searchthreads.h"
#include "tuning/weightedsearch.h"

#include <new>

namespace {

// The units one note of the path-weight search counts.
constexpr std::uint64_t unitsPerNote = std::uint64_t(1) << 20;

// A small table leaves room for a search that forgets less often: twice the budget up to this
// many notes (17edo at dial 800 then forgets 11 times instead of 41 and takes a fifth less
// time), while a process tuning such a table stays well within 256 MB.
constexpr int smallTableNotes = 32;

std::size_t memoryBudgetFor(const int& noteCount) {
    return noteCount <= smallTableNotes ? 2 * WeightedSearch::defaultMemoryBudget
                                        : WeightedSearch::defaultMemoryBudget;
}

// Reports the work done when it has risen to another whole percentage.
class WorkReport {
public:
    WorkReport(WorkCounter& counter, const std::function<void(int)>& report)
        : counter(counter), report(report) {}
    void operator()() {
        const int percent = counter.percent();
        if (percent > last && report) {
            last = percent;
            report(percent);
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

// The path-weight search, one search for all notes in turn: what it remembers for one note
// serves the others. (Searches of their own on several threads, each taking the next note,
// were measured slower on two cores than this one search: each remembers too little.) It runs
// on a thread of its own so that this thread can report.
std::vector<long double> tuneNotesInTurn(const SearchInput& input,
                                         std::atomic<bool>& cancelationRequest,
                                         const std::function<void(const int&)>& noteTuned,
                                         const std::function<void(int)>& workPercent) {
    const int count = input.noteCount();
    std::vector<long double> tuning(static_cast<std::size_t>(count), 1);
    std::uint64_t searched = 0;
    for (int note = 1; note < count; ++note) {
        searched += input.isFixed(note) ? 0 : 1;
    }
    // Notes below this one are tuned; written by the searching thread only.
    std::atomic<int> tuned(1);
    int reported = 1;
    const auto reportTuned = [&] {
        for (const int upTo = tuned; reported < upTo; ++reported) {
            answerIfCancelled(tuning, reported, cancelationRequest);
            noteTuned(reported);
        }
    };
    WorkCounter counter(searched * unitsPerNote);
    WorkReport report(counter, workPercent);
    runOnThreads(
        1,
        [&](const int&) {
            WeightedSearch search(input, cancelationRequest, memoryBudgetFor(count));
            search.countWork(&counter, unitsPerNote);
            for (int note = 1; note < count; ++note) {
                if (input.isFixed(note)) {
                    tuning[static_cast<std::size_t>(note)] = input.sizeFromRoot(note);
                } else if (!cancelationRequest) {
                    tuning[static_cast<std::size_t>(note)] = search.tuneFromAllNotes(note);
                }
                tuned = note + 1;
            }
        },
        [&] {
            reportTuned();
            report();
        });
    reportTuned();
    return tuning;
}

} // namespace

std::vector<long double> makeWeightedTuning(const SearchInput& input,
                                            std::atomic<bool>& cancelationRequest,
                                            const std::function<void(const int&)>& noteTuned,
                                            const std::function<void(int)>& workPercent,
                                            const int& threads) {
    // Note 0 is the reference, known before any search.
    noteTuned(0);
    if (NoteSetSearch::applies(input)) {
        try {
            WorkCounter counter(NoteSetSearch::workUnits(input.noteCount()));
            WorkReport report(counter, workPercent);
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
    return tuneNotesInTurn(input, cancelationRequest, noteTuned, workPercent);
}
