#include "app/editing/noteshifts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int clampedToInt(const double& value) {
    return int(std::clamp(value, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

// How far a note at or above the changed base position moves: one step for the changed note
// of its own repetition, and one more for each whole repetition above it.
int repetitionsAbove(const int& changedAt, const int& note, const int& notesBefore) {
    const int count = std::max(1, notesBefore);
    if (note < changedAt + count) {
        return 0;
    }
    return 1 + (note - changedAt - count) / count;
}

} // namespace

std::vector<int> afterRemoval(const std::vector<int>& notes, const int& removedAt,
                              const int& notesBefore) {
    std::vector<int> kept;
    kept.reserve(notes.size());
    for (const int note : notes) {
        if (note >= removedAt && (note - removedAt) % notesBefore == 0) {
            continue;
        }
        kept.push_back(postRemoveNoteShift(removedAt, note, notesBefore));
    }
    return kept;
}

int postAddNoteShift(int insertedAt, int note, const int& notesBefore) {
    if (note < insertedAt) {
        return note;
    }
    return note + 1 + repetitionsAbove(insertedAt, note, notesBefore);
}

int postRemoveNoteShift(int removedAt, int note, const int& notesBefore) {
    if (note < removedAt) {
        return note;
    }
    return note - 1 - repetitionsAbove(removedAt, note, notesBefore);
}

int makeAdjustedRange(const int& range, const int& oldCount, const int& newCount) {
    if (oldCount == newCount) {
        return range;
    }
    if (oldCount <= 0 || newCount <= 0) {
        // No period to keep in step with: one period of the new space and the repetition of
        // its note 0, as a scale space is first shown.
        return std::max(0, newCount) + 1;
    }
    const int periods = range / oldCount;
    if (range - periods * oldCount == 1) {
        // Whole periods and the first note of the next: the same for the new space.
        return clampedToInt(double(periods) * newCount + 1);
    }
    const float scaled = float(newCount) * float(range) / float(oldCount);
    return clampedToInt(newCount > oldCount ? std::floor(scaled) : std::ceil(scaled));
}
