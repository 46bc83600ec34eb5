#pragma once

// Where table notes go when a note of the scale space is inserted or removed, and how the
// range follows another scale space.

#include <vector>

// The number of table note `note` after a note was inserted at base position insertedAt of a
// space of notesBefore notes, and after base note removedAt was removed from it.
int postAddNoteShift(int insertedAt, int note, const int& notesBefore);
int postRemoveNoteShift(int removedAt, int note, const int& notesBefore);
// The notes that survive the removal of every copy of base note removedAt, renumbered.
std::vector<int> afterRemoval(const std::vector<int>& notes, const int& removedAt,
                              const int& notesBefore);
// The range to keep when a scale space of oldCount notes is replaced by one of newCount.
int makeAdjustedRange(const int& range, const int& oldCount, const int& newCount);
