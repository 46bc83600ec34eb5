#include "app/review/tuningtablemodel.h"

TuningTableModel::TuningTableModel(QObject* parent) : QAbstractTableModel(parent) {
    style.decimals = 3;
    style.deltaHeading = tr("Δ previous");
    rebuild();
}

void TuningTableModel::setTuning(const analysis::TuningAnalysis& analysis,
                                 const std::vector<std::optional<long double>>& deltas,
                                 const QString& deltaHeading, const QString& deltaToolTip) {
    beginResetModel();
    shown = analysis;
    style.deltas = deltas;
    style.deltaHeading = deltaHeading;
    toolTip = deltaToolTip;
    rebuild();
    endResetModel();
}

void TuningTableModel::clear() {
    setTuning({}, {}, style.deltaHeading, QString());
}

void TuningTableModel::setPrecision(const int& decimals) {
    if (decimals == precision()) {
        return;
    }
    style.decimals = decimals;
    rebuild();
    if (!shown.notes.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::DisplayRole});
    }
}

void TuningTableModel::rebuild() {
    rows = analysis::tuningTableRows(shown, style);
}

QString TuningTableModel::tableText() const {
    return analysis::tuningTableText(shown, style, QLatin1Char('\t'));
}

int TuningTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size()) - 1;
}

int TuningTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TuningTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return QVariant();
    }
    if (role == Qt::DisplayRole) {
        return rows[static_cast<std::size_t>(index.row()) + 1][index.column()];
    }
    if (role == Qt::TextAlignmentRole) {
        const bool text = index.column() == Fixed;
        return QVariant::fromValue((text ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant TuningTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return rows.front()[section];
    }
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case Cents:
            return tr("The pitch above the first tuned note, in cents");
        case FromStored:
            return tr("The tuned interval from the first tuned note minus its stored size, in "
                      "cents");
        case FromEqual:
            return tr("The pitch minus the same step of the equal division, in cents");
        case Delta:
            return toolTip;
        default:
            return QVariant();
        }
    }
    return QVariant();
}
