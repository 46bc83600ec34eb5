#pragma once

// The work on a scale space that its file keeps beside the sizes: the weighting and display
// settings, the selected and fixed notes, typed weights and the last tuning with what it was
// made from. Notes are table notes, counted from 0 as the file counts its rows.

#include "model/scalespacemodel.h"
#include "storage/scalespaceread.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The last tuning, with the settings and the sizes it was made from.
struct KeptTuning {
    std::vector<long double> ratios;
    std::vector<int> notes; // the table notes tuned, ascending
    std::vector<int> fixed;
    QString weightFunction;
    int attenuation = 50;
    int dial = 500;
    int range = 0;
    // The size of every pair of tuned notes as the file writes sizes, row by row.
    QStringList sizes;
    // It was not out of date when it was saved.
    bool current = true;

    bool operator==(const KeptTuning& other) const;
};

struct WorkState {
    QString weightFunction; // empty: the first function, the window's default
    int attenuation = 50;
    int dial = 500;
    int range = 0; // 0: one period and the repetition, the window's default
    int precision = 4;
    DisplayMode display = DisplayMode::Decimal;
    IntervalMode interval = IntervalMode::Size;
    std::vector<int> selected;
    std::vector<int> fixed;
    // Typed weights, upper triangle of the table in the pattern's numbering; only while the
    // weight function is "Arbitrary".
    std::vector<dbManager::StoredWeight> weights;
    std::optional<KeptTuning> tuning;

    bool operator==(const WorkState& other) const;
};

// The state as rows of the file's tables: a row for each setting that differs from the
// window's default only, so that a space of sizes alone is kept in `matrix` alone.
dbManager::StoredExtras encodeWork(const WorkState& work, const int& noteCount);

struct DecodedWork {
    WorkState work;
    // The file kept any state: then what it does not name is at its default.
    bool present = false;
    // Rows that were damaged, unknown or out of range, and were left out.
    QStringList ignored;
};
DecodedWork decodeWork(const dbManager::StoredExtras& extras, const int& noteCount);

// The work renumbered for the file that keeps the given notes (ascending table notes): note
// notes[k] becomes note k. What involves other notes is dropped; a tuning only survives whole.
WorkState workOfNotes(const WorkState& work, const std::vector<int>& notes);

// The weights in the table's row-major cells for the range, from the kept upper triangle;
// cells it does not name keep the given base weights.
std::vector<long double> tableWeights(const std::vector<dbManager::StoredWeight>& kept,
                                      const int& range, std::vector<long double> base);
// The upper triangle of the table's row-major weights, as kept.
std::vector<dbManager::StoredWeight> keptWeights(const std::vector<long double>& table,
                                                 const int& range);
// The sizes of every pair of the notes, as the file writes them.
QStringList keptSizes(const std::vector<std::vector<long double>>& pairSizes);

struct TuningSettings;
// What a search with these settings reads from the table now, as the file keeps it with the
// tuning (no ratios yet).
KeptTuning keptTuningInput(const TuningSettings& settings, const ScaleSpaceModel& model);
