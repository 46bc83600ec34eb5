#pragma once

#include "app/review/deviationoverlay.h"
#include "app/review/tuningrecord.h"
#include "app/table/scalespaceeditor.h"

#include <QObject>
#include <QPointer>

#include <optional>

class DeviationLegend;
class QAction;
class QMainWindow;
class QTableView;
class ScaleSpace;
class ScaleSpaceEditor;
class ScaleSpaceModel;
class TableCursor;
class TuningOutput;
class TuningPanel;
class WindowMenus;

// Judging a tuning: keeps the current, previous and pinned tunings with their analyses, and
// drives the Tuning panel, the deviations over the interval table, the comparison and the
// plot's export, with their actions in the View, Tuning and Export menus.
class TuningReview : public QObject {
    Q_OBJECT

public:
    struct Parts {
        QMainWindow* window;
        WindowMenus* menus;
        TuningOutput* output;
        const ScaleSpaceModel* model;
        const ScaleSpace* space;
        QTableView* table;
        TableCursor* cursor;
        ScaleSpaceEditor* editor;
    };
    TuningReview(const Parts& parts, QObject* parent);
    ~TuningReview() override;

    TuningPanel* panel() const { return tuningPanel; }
    const std::optional<TuningRecord>& current() const { return now; }
    const std::optional<TuningRecord>& previous() const { return before; }
    const std::optional<TuningRecord>& reference() const { return pinned; }
    // Writes the plot as PNG or SVG (by the path's suffix); says so in the status line.
    bool exportPlot(const QString& path);

signals:
    void statusMessage(const QString& text);

private:
    void addActions();
    void outputChanged();
    std::optional<TuningRecord> recordOfOutput() const;
    void showDeviations(bool shown);
    void refreshViews();
    void refreshOverlay();
    bool takeCopy(bool perform);
    void chooseExportFile();

    Parts parts;
    TuningPanel* tuningPanel;
    DeviationLegend* legend;
    DeviationOverlay overlay;
    QAction* deviationsAction = nullptr;
    QAction* keepAction = nullptr;
    QAction* clearAction = nullptr;
    QAction* plotAction = nullptr;
    std::optional<TuningRecord> now;
    std::optional<TuningRecord> before;
    std::optional<TuningRecord> pinned;
    bool panelShownOnce = false;
    QPointer<ScaleSpaceDelegate> overlaid;
    QPointer<ScaleSpaceEditor> editor;
};
