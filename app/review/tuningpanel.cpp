#include "app/review/tuningpanel.h"

#include "analysis/tuningreport.h"
#include "app/review/deviationplot.h"
#include "app/review/tuningtablemodel.h"
#include "app/settings/settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace {

PlotSeries seriesOf(const TuningRecord& record, const QString& name) {
    PlotSeries series{name, {}, {}};
    for (const analysis::NoteRow& row : record.analysis.notes) {
        series.points.emplace_back(row.note, row.fromEqual);
        if (row.fixed) {
            series.fixed.push_back(row.note);
        }
    }
    return series;
}

QWidget* tableControls(QSpinBox* decimals, QLabel* state) {
    auto* controls = new QWidget;
    auto* layout = new QHBoxLayout(controls);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(state, 1);
    layout->addWidget(new QLabel(QObject::tr("Decimals:")));
    layout->addWidget(decimals);
    return controls;
}

} // namespace

QString summaryText(const analysis::TuningAnalysis& analysis, const int& decimals) {
    if (!analysis.largest) {
        return QObject::tr("One note: no intervals to deviate.");
    }
    const analysis::IntervalRow& largest = analysis.intervals[*analysis.largest];
    QString text = QObject::tr("Largest deviation: %1 cents, from note %2 to note %3.")
                       .arg(analysis::centsText(std::fabs(largest.deviation), decimals))
                       .arg(largest.from + 1)
                       .arg(largest.to + 1);
    text += QLatin1Char(' ');
    text += analysis.weightedRms
                ? QObject::tr("Weighted RMS deviation: %1 cents.")
                      .arg(analysis::centsText(*analysis.weightedRms, decimals))
                : QObject::tr("Weighted RMS deviation: unknown (the weights it was made with "
                              "are not at hand).");
    return text;
}

TuningPanel::TuningPanel(QWidget* parent)
    : QDockWidget(tr("Tuning"), parent), model(new TuningTableModel(this)), table(new QTableView),
      summaryLabel(new QLabel), stateLabel(new QLabel), decimals(new QSpinBox),
      plotView(new DeviationPlot) {
    setObjectName(QStringLiteral("tuningPanel"));
    table->setObjectName(QStringLiteral("tuningTable"));
    table->setModel(model);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->installEventFilter(this);
    summaryLabel->setObjectName(QStringLiteral("tuningSummary"));
    summaryLabel->setWordWrap(true);
    summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stateLabel->setWordWrap(true);
    decimals->setRange(0, 15);
    decimals->setValue(Settings::instance().tuningTablePrecision());
    model->setPrecision(decimals->value());
    connect(decimals, &QSpinBox::valueChanged, this, [this](int value) {
        model->setPrecision(value);
        Settings::instance().setTuningTablePrecision(value);
        if (lastShown) {
            summaryLabel->setText(summaryText(lastShown->analysis, value));
        }
    });

    auto* upper = new QWidget;
    auto* layout = new QVBoxLayout(upper);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(tableControls(decimals, stateLabel));
    layout->addWidget(table, 1);
    layout->addWidget(summaryLabel);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(upper);
    splitter->addWidget(plotView);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setWidget(splitter);
    clear();
}

void TuningPanel::showTuning(const TuningRecord& tuning, const std::optional<TuningRecord>& other,
                             const bool& otherIsReference, const QString& note) {
    lastShown = tuning;
    const QString heading = otherIsReference ? tr("Δ reference") : tr("Δ previous");
    QString tip;
    std::vector<std::optional<long double>> deltas;
    if (other) {
        deltas = analysis::compareTunings(tuning.analysis, other->analysis);
        const QStringList differences = settingDifferences(tuning, *other);
        tip = (otherIsReference ? tr("Change against the reference, in cents, heard from the "
                                     "lowest note both tuned.")
                                : tr("Change against the previous tuning, in cents, heard from "
                                     "the lowest note both tuned.")) +
              QLatin1Char('\n') +
              (differences.isEmpty() ? tr("Made with the same settings.")
                                     : tr("Differs in: %1.").arg(differences.join(tr("; "))));
    } else {
        tip = tr("No earlier tuning to compare with yet.");
    }
    model->setTuning(tuning.analysis, deltas, heading, tip);
    summaryLabel->setText(summaryText(tuning.analysis, decimals->value()));
    stateLabel->setText(note);
    plotView->setSeries(seriesOf(tuning, tr("this tuning")),
                        other ? std::optional<PlotSeries>(seriesOf(
                                    *other, otherIsReference ? tr("reference") : tr("previous")))
                              : std::nullopt);
}

void TuningPanel::clear() {
    lastShown.reset();
    model->clear();
    summaryLabel->setText(tr("Make a tuning to see how far each interval moved."));
    stateLabel->clear();
    plotView->clear();
}

QString TuningPanel::tableText() const {
    return model->tableText();
}

QString TuningPanel::summary() const {
    return summaryLabel->text();
}

int TuningPanel::preferredWidth() const {
    table->resizeColumnsToContents();
    return table->horizontalHeader()->length() + table->verticalScrollBar()->sizeHint().width() +
           2 * table->frameWidth() + 16;
}

bool TuningPanel::hasFocusWithin() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && isAncestorOf(focus);
}

bool TuningPanel::eventFilter(QObject* watched, QEvent* event) {
    // The view would copy one cell; the copy key belongs to Edit > Copy.
    if (watched == table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        emit copyRequested();
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}
