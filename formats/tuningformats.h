#pragma once

// The files in which synthesizers take tunings: a Scala scale (.scl) with its keyboard
// mapping (.kbm), an AnaMark tuning (.tun) and a MIDI Tuning Standard bulk tuning dump
// (.syx). All put the tuning on the keys as the key mapping does.

#include "formats/keymapping.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace formats {

// What a format writes: the tuning (ratios relative to its first note, the last note being
// the period), where it goes on the keys, and two texts for the file's own comments.
struct TuningDocument {
    std::vector<long double> tuning;
    KeyMapping mapping;
    QString title;       // what was tuned, e.g. "12edo.qmx"; the .syx takes it as its name
    QString description; // one line: which notes and settings
};

struct TuningFormat {
    QString name;  // the suffix, also the name on the command line: "kbm"
    QString title; // for menus and file filters: "Scala keyboard mapping"
    bool binary;   // not text, so never written to a terminal
    // Needs a tuning with a period (mappingProblem empty); only the .scl writes any tuning.
    bool mapsKeys;
    QByteArray (*write)(const TuningDocument& document);
};

// .scl, .kbm, .tun and .syx, in this order.
const std::vector<TuningFormat>& tuningFormats();
// The format of that name (any case); null when there is none.
const TuningFormat* findTuningFormat(const QString& name);

// The entry of that name (any case) in a list of entries with a `name`; null when there is none.
template <typename Named>
const Named* findByName(const std::vector<Named>& list, const QString& name) {
    for (const Named& entry : list) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

// The writers of the formats that map keys give nothing for a tuning with a mappingProblem.

// The Scala scale of the tuned notes, through the Scala file writer of the storage.
QByteArray writeScalaScale(const TuningDocument& document);
// The linear Scala keyboard mapping: M entries 0 ... M - 1, the middle and reference note
// the reference key, the formal octave degree M.
QByteArray writeKeyboardMapping(const TuningDocument& document);
// AnaMark tuning: [Tuning] in whole cents for older readers, [Exact Tuning] with BaseFreq
// and every key in cents with 10 decimals, both above MIDI note 0 of standard tuning.
QByteArray writeAnaMarkTuning(const TuningDocument& document);
// MIDI Tuning Standard bulk tuning dump of program 0 to every device: 408 bytes.
QByteArray writeBulkTuningDump(const TuningDocument& document);

// Line breaks turned into blanks, so that a text stays on its comment line.
QString oneLine(const QString& text);

} // namespace formats
