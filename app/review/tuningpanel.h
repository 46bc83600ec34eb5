#pragma once

#include "app/review/tuningrecord.h"

#include <QDockWidget>

#include <optional>

class DeviationPlot;
class QLabel;
class QSpinBox;
class QTableView;
class TuningTableModel;

// The "Tuning" panel: a row per tuned note, the summary of the deviations under it, the
// change against the previous or the pinned tuning, and the plot.
class TuningPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit TuningPanel(QWidget* parent = nullptr);

    // Shows the tuning, compared with `other` when there is one; `note` says when the tuning
    // is out of date or loaded.
    void showTuning(const TuningRecord& tuning, const std::optional<TuningRecord>& other,
                    const bool& otherIsReference, const QString& note);
    void clear();

    // The table with its header row, tab-separated, as shown.
    QString tableText() const;
    bool hasFocusWithin() const;
    // Wide enough for every column of the table shown.
    int preferredWidth() const;
    QString summary() const;
    DeviationPlot* plot() const { return plotView; }
    TuningTableModel* tableModel() const { return model; }

signals:
    // The copy key was pressed in the table: Edit > Copy should act.
    void copyRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TuningTableModel* model;
    QTableView* table;
    QLabel* summaryLabel;
    QLabel* stateLabel;
    QSpinBox* decimals;
    DeviationPlot* plotView;
    std::optional<TuningRecord> lastShown;
};

// The summary line: the largest deviation with its interval, and the weighted RMS deviation.
QString summaryText(const analysis::TuningAnalysis& analysis, const int& decimals);
