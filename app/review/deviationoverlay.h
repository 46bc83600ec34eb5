#pragma once

#include "analysis/tuninganalysis.h"
#include "app/widgets/scalespacedelegate.h"

#include <QWidget>

#include <optional>

// View > Show Deviations: every cell between two tuned notes shows that interval's
// deviation in cents on the diverging colour scale; cells of notes not tuned stay blank. The
// table's model and its display modes are left as they are.
class DeviationOverlay : public CellOverlay {
public:
    // None while the tuning shown is out of date or there is none: every cell is blank.
    void setAnalysis(const std::optional<analysis::TuningAnalysis>& analysis);
    long double largest() const;
    bool hasDeviations() const { return shown.has_value(); }

    void paintCell(QPainter* painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) const override;

private:
    std::optional<analysis::TuningAnalysis> shown;
};

// The legend above the table while deviations are shown: the colour scale with its ends.
class DeviationLegend : public QWidget {
    Q_OBJECT

public:
    explicit DeviationLegend(QWidget* parent = nullptr);
    // The largest deviation, or none when there is nothing to show (the text says why).
    void setLargest(const std::optional<long double>& largest);
    QString text() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<long double> largest;
};
