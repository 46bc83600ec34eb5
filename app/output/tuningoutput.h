#pragma once

// The output of "Make": the tuning shown in the output box, what it was made from, and the
// line above the box that says when the table has changed since. A tuning belongs to the
// space and the edits it was made from: whatever leaves the window (exports, sound) reads it
// from here, so that nothing hidden or stale leaves it unannounced.

#include "app/work/workstate.h"
#include "formats/tuningformats.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QAbstractItemModel;
class QAbstractSlider;
class QLabel;
class QPlainTextEdit;

class TuningOutput : public QObject {
    Q_OBJECT

public:
    // What a tuning is made from, in a form that compares: equal exactly when a search would
    // read the same input.
    using Fingerprint = std::function<QByteArray()>;

    // Inserts the out-of-date line into the box's layout, just above it.
    TuningOutput(QPlainTextEdit* box, Fingerprint fingerprint);

    // A search starts from what the table holds now: no tuning is shown until it ends. The
    // description names the settings it is made with.
    // `input` names the settings and sizes the search reads, kept with the tuning in the file.
    void begin(const QString& description, const KeptTuning& input = KeptTuning());
    // Shows the tuning the search begun last has made.
    void show(const std::vector<long double>& tuning);
    // Shows a tuning kept in the file shown, marked as loaded; out of date unless `current`.
    void showLoaded(const KeptTuning& kept, const QString& description, const bool& current);
    // Shows nothing: no tuning, no line, an empty box.
    void clear();
    // Refreshes whenever the table's model, the dial or the selection changes: whatever can
    // change what a search reads.
    void watch(QAbstractItemModel* model, QAbstractSlider* dial, QPlainTextEdit* selection);
    // Compares what is shown now with what the tuning was made from, and shows or hides the
    // line. Call after anything that can change the search's input.
    void refresh();

    const std::vector<long double>& tuning() const { return shown; }
    bool isOutOfDate() const { return outOfDate; }
    bool isLoaded() const { return loaded; }
    // The tuning shown with what it was made from, for the file; nothing when none is shown.
    std::optional<KeptTuning> kept() const;
    QString description() const { return madeWith; }
    // The tuning shown as the exports write it, its description saying when it is out of date.
    formats::TuningDocument exportDocument(const QString& title) const;
    // Why the tuning cannot be exported; empty when it can.
    QString exportProblem() const;

signals:
    void changed();

private:
    QPlainTextEdit* box;
    QLabel* line;
    Fingerprint fingerprint;
    std::vector<long double> shown;
    QByteArray madeFrom;
    QString madeWith;
    QByteArray makingFrom;
    QString makingWith;
    KeptTuning madeInput;
    KeptTuning makingInput;
    bool outOfDate = false;
    bool loaded = false;
    bool makingLoaded = false;
    void showLine();
};
