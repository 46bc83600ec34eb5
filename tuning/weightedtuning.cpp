#include "tuning/weightedtuning.h"

#include "tuning/notesetsearch.h"
#include "tuning/searchthreads.h"
#include "tuning/weightedsearch.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// The units one note of the path-weight search counts.
constexpr std::uint64_t unitsPerNote = std::uint64_t(1) << 20;

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

// The path-weight search, each thread with a search of its own taking the next note not yet
// taken. What one thread's search remembers is of no use to another's, but most of what a
// note's search needs it finds by itself.
std::vector<long double> tuneNotesApart(const SearchInput& input,
                                        std::atomic<bool>& cancelationRequest,
                                        const std::function<void(const int&)>& noteTuned,
                                        const std::function<void(int)>& workPercent,
                                        const int& threads) {
    const int count = input.noteCount();
    std::vector<long double> tuning(static_cast<std::size_t>(count), 1);
    std::vector<int> searched;
    for (int note = 1; note < count; ++note) {
        if (input.isFixed(note)) {
            tuning[static_cast<std::size_t>(note)] = input.sizeFromRoot(note);
        } else {
            searched.push_back(note);
        }
    }
    const std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[count]);
    for (int note = 0; note < count; ++note) {
        done[note] = note == 0 || input.isFixed(note);
    }
    int reported = 1;
    const auto reportTuned = [&] {
        while (reported < count && done[reported]) {
            answerIfCancelled(tuning, reported, cancelationRequest);
            noteTuned(reported);
            ++reported;
        }
    };
    WorkCounter counter(searched.size() * unitsPerNote);
    WorkReport report(counter, workPercent);
    const int used = std::max(1, std::min(threads, static_cast<int>(searched.size())));
    // Together about twice one search's budget, each within it.
    const std::size_t budget =
        std::clamp(2 * WeightedSearch::defaultMemoryBudget / static_cast<std::size_t>(used),
                   std::size_t(16) << 20, WeightedSearch::defaultMemoryBudget);
    std::atomic<std::size_t> next(0);
    runOnThreads(
        used,
        [&](const int&) {
            WeightedSearch search(input, cancelationRequest, budget);
            search.countWork(&counter, unitsPerNote);
            for (std::size_t index = next++; index < searched.size(); index = next++) {
                const int note = searched[index];
                if (!cancelationRequest) {
                    tuning[static_cast<std::size_t>(note)] = search.tuneFromAllNotes(note);
                }
                done[note] = true;
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
    return tuneNotesApart(input, cancelationRequest, noteTuned, workPercent, threads);
}
