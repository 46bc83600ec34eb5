#include "app/review/tuningreview.h"

#include "app/making/tuningmaking.h"
#include "app/menus/windowmenus.h"
#include "app/output/tuningoutput.h"
#include "app/review/deviationplot.h"
#include "app/review/tuningpanel.h"
#include "app/settings/settings.h"
#include "app/table/scalespaceeditor.h"
#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/tablecursor.h"
#include "app/widgets/tablesetup.h"
#include "core/scalespace.h"
#include "model/scalespacemodel.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QTableView>

namespace {

// The sizes as the file kept them; the weights are not known.
IntervalsPattern patternOfKeptSizes(const KeptTuning& kept) {
    IntervalsPattern pattern;
    const std::size_t count = kept.notes.size();
    int next = 0;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        std::vector<Interval>& row = pattern.emplace_back();
        for (std::size_t j = i + 1; j < count && next < kept.sizes.size(); ++j) {
            row.push_back(Interval(kept.sizes[next++].toDouble(), 1));
        }
    }
    return pattern;
}

} // namespace

TuningReview::TuningReview(const Parts& given, QObject* parent)
    : QObject(parent), parts(given), tuningPanel(new TuningPanel(given.window)),
      legend(new DeviationLegend) {
    parts.window->addDockWidget(Qt::RightDockWidgetArea, tuningPanel);
    tuningPanel->hide();
    // The window restored its docks before this one existed.
    parts.window->restoreDockWidget(tuningPanel);
    panelShownOnce = tuningPanel->isVisible();
    if (QBoxLayout* layout = containingLayout(parts.table->parentWidget()->layout(), parts.table)) {
        layout->insertWidget(layout->indexOf(parts.table), legend);
    }
    legend->hide();
    addActions();
    connect(parts.output, &TuningOutput::changed, this, &TuningReview::outputChanged);
    // The panel's copy key does what Edit > Copy does there.
    connect(tuningPanel, &TuningPanel::copyRequested, this, [this] { takeCopy(true); });
    editor = parts.editor;
    editor->setCopyTaker([this](bool perform) { return takeCopy(perform); });
}

TuningReview::~TuningReview() {
    // Whichever of them outlives this part must not call into it.
    if (overlaid) {
        overlaid->setOverlay(nullptr);
    }
    if (editor) {
        editor->setCopyTaker({});
    }
}

void TuningReview::addActions() {
    QMenu* view = parts.menus->menu(QStringLiteral("menuView"));
    view->addSeparator();
    QAction* tableAction = tuningPanel->toggleViewAction();
    tableAction->setText(tr("Tuning &Table"));
    tableAction->setObjectName(QStringLiteral("actionTuningTable"));
    view->addAction(tableAction);
    deviationsAction = view->addAction(tr("Show De&viations"));
    deviationsAction->setObjectName(QStringLiteral("actionShowDeviations"));
    deviationsAction->setCheckable(true);
    connect(deviationsAction, &QAction::toggled, this, &TuningReview::showDeviations);

    QMenu* tuning = parts.menus->menu(QStringLiteral("menuTuning"));
    tuning->addSeparator();
    keepAction = tuning->addAction(tr("&Keep as Reference"));
    keepAction->setObjectName(QStringLiteral("actionKeepReference"));
    connect(keepAction, &QAction::triggered, this, [this] {
        pinned = now;
        refreshViews();
        emit statusMessage(tr("The current tuning is the reference until Tuning > Clear "
                              "Reference."));
    });
    clearAction = tuning->addAction(tr("Clear Refe&rence"));
    clearAction->setObjectName(QStringLiteral("actionClearReference"));
    connect(clearAction, &QAction::triggered, this, [this] {
        pinned.reset();
        refreshViews();
    });

    QMenu* exports = parts.menus->menu(QStringLiteral("menuExport"));
    exports->addSeparator();
    plotAction = exports->addAction(tr("&Plot..."));
    plotAction->setObjectName(QStringLiteral("actionExportPlot"));
    connect(plotAction, &QAction::triggered, this, &TuningReview::chooseExportFile);
    refreshViews();
}

std::optional<TuningRecord> TuningReview::recordOfOutput() const {
    const std::optional<KeptTuning> kept = parts.output->kept();
    if (!kept) {
        return std::nullopt;
    }
    analysis::AnalysisInput input;
    input.notes = kept->notes;
    input.tuning = kept->ratios;
    // While the table is what the search read, its cells give the weights too.
    input.weightsKnown = kept->current;
    input.pattern = kept->current ? makeNotesIntervalsPattern(kept->notes, *parts.model)
                                  : patternOfKeptSizes(*kept);
    input.fixedNotes = kept->fixed;
    input.noteCount = parts.space->noteCount();
    input.repetition = parts.space->repetitionIntervalSize(1);
    return TuningRecord{*kept, analysis::analyseTuning(input)};
}

void TuningReview::outputChanged() {
    const std::optional<KeptTuning> kept = parts.output->kept();
    const bool sameTuning = kept && now && kept->ratios == now->kept.ratios &&
                            kept->notes == now->kept.notes && kept->dial == now->kept.dial &&
                            kept->sizes == now->kept.sizes;
    if (!sameTuning) {
        if (now) {
            before = now;
        }
        now = recordOfOutput();
    }
    refreshViews();
    if (now && !panelShownOnce) {
        panelShownOnce = true;
        tuningPanel->show();
        // At most half the window: the interval table stays the larger part.
        parts.window->resizeDocks(
            {tuningPanel}, {std::min(tuningPanel->preferredWidth(), parts.window->width() / 2)},
            Qt::Horizontal);
    }
}

void TuningReview::refreshViews() {
    const bool stale = parts.output->isOutOfDate();
    if (now) {
        const QString note =
            stale ? tr("Out of date: the table has changed since.")
                  : (parts.output->isLoaded() ? tr("Loaded from the file.") : QString());
        const std::optional<TuningRecord>& other = pinned ? pinned : before;
        tuningPanel->showTuning(*now, other, pinned.has_value(), note);
    } else {
        tuningPanel->clear();
    }
    keepAction->setEnabled(now.has_value());
    clearAction->setEnabled(pinned.has_value());
    plotAction->setEnabled(now.has_value());
    refreshOverlay();
}

void TuningReview::refreshOverlay() {
    const bool current = now && !parts.output->isOutOfDate();
    overlay.setAnalysis(current ? std::optional(now->analysis) : std::nullopt);
    legend->setLargest(current ? std::optional<long double>(overlay.largest()) : std::nullopt);
    parts.table->viewport()->update();
}

void TuningReview::showDeviations(bool shown) {
    ScaleSpaceDelegate* delegate = parts.cursor->delegate();
    if (delegate == nullptr) {
        return;
    }
    if (shown) {
        // An open editor would write into a table that no longer shows values.
        parts.table->closePersistentEditor(parts.table->currentIndex());
        parts.table->setCurrentIndex(parts.table->currentIndex());
    }
    delegate->setOverlay(shown ? &overlay : nullptr);
    overlaid = delegate;
    legend->setVisible(shown);
    refreshOverlay();
}

bool TuningReview::takeCopy(bool perform) {
    if (!tuningPanel->hasFocusWithin() || !now) {
        return false;
    }
    if (perform) {
        QGuiApplication::clipboard()->setText(tuningPanel->tableText());
        emit statusMessage(
            tr("Copied the tuning table (%1 notes).").arg(now->analysis.notes.size()));
    }
    return true;
}

void TuningReview::chooseExportFile() {
    const QString folder = Settings::instance().exportFolder();
    QFileDialog dialog(parts.window, tr("Export Plot"),
                       QDir(folder).filePath(parts.space->getName() + QStringLiteral("-plot.png")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({tr("PNG image (*.png)"), tr("SVG image (*.svg)")});
    dialog.setDefaultSuffix(QStringLiteral("png"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QLatin1String("svg")) ? QStringLiteral("svg")
                                                                      : QStringLiteral("png"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    exportPlot(dialog.selectedFiles().constFirst());
}

bool TuningReview::exportPlot(const QString& path) {
    QString error;
    if (!tuningPanel->plot()->writeFile(path, &error)) {
        emit statusMessage(tr("The plot could not be written to %1: %2").arg(path, error));
        return false;
    }
    Settings::instance().setExportFolder(QFileInfo(path).absolutePath());
    emit statusMessage(tr("Exported the plot to %1.").arg(QDir::toNativeSeparators(path)));
    return true;
}
