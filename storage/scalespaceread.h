#pragma once

#include "core/scalespace.h"

// What reading a scale space file gave. Declared apart so that both the file class and the
// folder functions can name it.
namespace dbManager {

enum class ReadFailure { None, Missing, NotScaleSpaceFile, Damaged, Empty, Interrupted };

struct ScaleSpaceRead {
    SizePattern pattern;
    ReadFailure failure = ReadFailure::None;
    // Read from a private copy that SQLite brought back from an interrupted save (a journal
    // or write-ahead log beside the file); the file itself was not written.
    bool recovered = false;
};

} // namespace dbManager
