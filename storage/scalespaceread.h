#pragma once

#include "core/scalespace.h"

#include <QString>

#include <utility>
#include <vector>

// What reading a scale space file gave. Declared apart so that both the file class and the
// folder functions can name it.
namespace dbManager {

enum class ReadFailure { None, Missing, NotScaleSpaceFile, Damaged, Empty, Interrupted };

// A typed weight between two table notes, numbered as the size pattern numbers its cells:
// the interval from note `row` up to note row + column + 1.
struct StoredWeight {
    int row = 0;
    int column = 0;
    long double value = 0;

    bool operator==(const StoredWeight& other) const {
        return row == other.row && column == other.column && value == other.value;
    }
};

// The work kept beside the sizes: typed weights and the window's state as key and text rows.
// Both are optional; a file with neither holds its sizes only.
struct StoredExtras {
    std::vector<StoredWeight> weights;
    std::vector<std::pair<QString, QString>> state;

    bool empty() const { return weights.empty() && state.empty(); }
};

struct ScaleSpaceRead {
    ScaleSpaceRead() = default;
    ScaleSpaceRead(SizePattern pattern, const ReadFailure failure)
        : pattern(std::move(pattern)), failure(failure) {}

    SizePattern pattern;
    ReadFailure failure = ReadFailure::None;
    // Read from a private copy that SQLite brought back from an interrupted save (a journal
    // or write-ahead log beside the file); the file itself was not written.
    bool recovered = false;
    // Whatever of the weights and state tables could be read; the sizes never depend on it.
    StoredExtras extras;
    // Part of those tables was damaged or foreign and was left out.
    bool extrasIgnored = false;
};

} // namespace dbManager
