#pragma once

#include "analysis/tuningreport.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <optional>
#include <vector>

// The tuning table: a row per tuned note with its ratio, cents, deviations, fixed mark and
// the change against another tuning, numbers as a person reads them.
class TuningTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Note, Ratio, Cents, FromStored, FromEqual, Fixed, Delta, ColumnCount };

    explicit TuningTableModel(QObject* parent = nullptr);

    // The tuning shown; `deltas` one per note (none where the other tuning lacks the note),
    // headed by `deltaHeading` with `deltaToolTip` on the heading.
    void setTuning(const analysis::TuningAnalysis& analysis,
                   const std::vector<std::optional<long double>>& deltas,
                   const QString& deltaHeading, const QString& deltaToolTip);
    void clear();
    // The decimals of every number in cents.
    void setPrecision(const int& decimals);
    int precision() const { return style.decimals.value_or(3); }

    // The whole table with its header row, tab-separated, as shown.
    QString tableText() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void rebuild();

    analysis::TuningAnalysis shown;
    analysis::TableStyle style;
    QString toolTip;
    std::vector<QStringList> rows; // the header row first
};
