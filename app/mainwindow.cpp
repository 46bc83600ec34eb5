#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/making/tuningjob.h"
#include "app/menus/keyfilter.h"
#include "app/menus/windowmenus.h"
#include "app/output/tuningoutput.h"
#include "app/shared/storageconstants.h"
#include "app/table/scalespaceeditor.h"
#include "app/table/workbinding.h"
#include "app/widgets/customheaderview.h"
#include "app/widgets/statusrelay.h"
#include "app/widgets/tablecursor.h"
#include "app/widgets/tablesetup.h"
#include "resources/appresources.h"
#include "storage/dbmanager.h"

#include <QApplication>
#include <QButtonGroup>
#include <QIcon>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>

#include <algorithm>

namespace {

// The size pattern of the default scale space, read from its file in the library; the file
// is closed again as soon as it has been read.
SizePattern loadDefaultPattern() {
    return dbManager::readScaleSpace(makeFilePath(defaultScaleSpace, pitchSpacesPath)).pattern;
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), job(new TuningJob(this)),
      scaleSpace(defaultScaleSpace, loadDefaultPattern(), this),
      model(new ScaleSpaceModel(&scaleSpace, this)), displayModeGroup(new QButtonGroup(this)),
      sizeWeightGroup(new QButtonGroup(this)), weightFunctionsMap(populateWeightFunctionsMap()) {
    ui->setupUi(this);
    cursor = new TableCursor(ui->scaleSpaceTable);
    menus = new WindowMenus(ui->menubar);
    initialiseDocument();
    initialiseWindow();
    initialiseDisplaySettings();
    initialiseMakeCancelButtons();
    initialiseSizeWeightRatioGroup();
    initialisePrecisionSpinBox();
    initialiseScaleSpacesCombo();
    initialiseRangeSpinBox();
    initialiseWeightFunctionsCombo();
    initialiseCutoffDial();
    initialiseAttenuationSlider();
    initialiseSaveSubScaleButtons();
    initialiseSelectionBox();
    initialiseTable();
    fitWindowToTable(this, ui->scaleSpaceTable);
    initialiseMenus();
    initialiseSound();
    initialiseExporting();
}

MainWindow::~MainWindow() {
    // The task reads the flag and posts progress to this window: it must have returned before
    // any member goes.
    job->stop();
    // The filter on the application would otherwise see the events of the members' teardown
    // after the form is gone.
    qApp->removeEventFilter(this);
    delete findChild<KeyFilter*>();
    delete ui;
    ui = nullptr;
}

ScaleSpaceDelegate* MainWindow::tableDelegate() const {
    return cursor->delegate();
}

void MainWindow::initialiseWindow() {
    // Tooltips that follow the notes to tune, and the output box's focus.
    qApp->installEventFilter(this);
    setWindowIcon(QIcon(windowIconPath()));
    setWindowTitle(defaultScaleSpace + "[*] - " + appName);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // Two steps, each rounding, as QSize does with a real factor.
        resize(screen->availableSize() * 2.0 / 3.0);
    }
}

void MainWindow::initialiseDisplaySettings() {
    displayModeGroup->addButton(ui->ratioRadioButton, 0);
    displayModeGroup->addButton(ui->centsRadioButton, 1);
    displayModeGroup->setExclusive(true);
    ui->ratioRadioButton->setChecked(true);
    connect(displayModeGroup, &QButtonGroup::idReleased, this,
            [this](int id) { handleChangeDisplay(static_cast<DisplayMode>(id)); });
}

void MainWindow::initialiseMakeCancelButtons() {
    ui->cancelButton->setEnabled(false);
    ui->temperamentBox->installEventFilter(this);
    fitOutputBox(ui->temperamentBox);
    output = new TuningOutput(ui->temperamentBox,
                              [this] { return editor->fingerprint(ui->cutoffDial->value()); });
    output->watch(model, ui->cutoffDial, ui->selectionBox);
    work = new WorkBinding({&scaleSpace, editor, history, model, output, ui->weightFuncCombo,
                            ui->cutoffDial, ui->attenuationSlider, ui->precisionSpinBox,
                            [this](DisplayMode mode) { handleChangeDisplay(mode); },
                            [this](IntervalMode mode) {
                                handleChangeSizeWeight(mode);
                            }},
                           this);
    relayStatusMessages(work, statusBar(), statusTimeout);
    connect(output, &TuningOutput::changed, this, &MainWindow::tuningChanged);
    connect(ui->makeButton, &QPushButton::clicked, this, &MainWindow::handleMakeClicked);
    connect(ui->cancelButton, &QPushButton::clicked, this, &MainWindow::handleCancelClicked);
    connect(ui->clearButton, &QPushButton::clicked, this, &MainWindow::handleClearClicked);
    connect(job, &TuningJob::finished, this, &MainWindow::makingTuningFinished);
    connect(job, &TuningJob::progressed, ui->makeProgressBar, &QProgressBar::setValue);
    connect(job, &TuningJob::progressText, ui->makeProgressBar, &QProgressBar::setFormat);
    relayStatusMessages(job, statusBar(), statusTimeout);
}

void MainWindow::initialiseSizeWeightRatioGroup() {
    sizeWeightGroup->addButton(ui->sizeRadioButton, 0);
    sizeWeightGroup->addButton(ui->weightRadioButton, 1);
    sizeWeightGroup->setExclusive(true);
    ui->sizeRadioButton->setChecked(true);
    model->setIntervalMode(static_cast<IntervalMode>(0));
    connect(sizeWeightGroup, &QButtonGroup::idReleased, this,
            [this](int id) { handleChangeSizeWeight(static_cast<IntervalMode>(id)); });
}

void MainWindow::initialisePrecisionSpinBox() {
    ui->precisionSpinBox->setRange(1, 15);
    ui->precisionSpinBox->setValue(4);
    model->setPrecision(4);
    connect(ui->precisionSpinBox, &QSpinBox::valueChanged, this,
            &MainWindow::handlePrecisionChanged);
}

void MainWindow::initialiseScaleSpacesCombo() {
    ui->scaleSpaceCombo->addItems(defaultScaleSpaces);
    ui->scaleSpaceCombo->setCurrentIndex(ui->scaleSpaceCombo->findText(
        defaultScaleSpace, Qt::MatchExactly | Qt::MatchCaseSensitive));
    ui->saveButton->setEnabled(false);
    connect(ui->scaleSpaceCombo, &QComboBox::textActivated, this,
            &MainWindow::handleScaleSpaceActivated);
    connect(this, &MainWindow::currentUrlChanged, this, &MainWindow::handleCurrentUrlChanged);
}

void MainWindow::initialiseRangeSpinBox() {
    ui->rangeSpinBox->setRange(2, 1024);
    ui->rangeSpinBox->setValue(scaleSpace.noteCount() + 1);
    connect(ui->rangeSpinBox, &QSpinBox::valueChanged, this, &MainWindow::handleRangeChanged);
}

void MainWindow::initialiseWeightFunctionsCombo() {
    ui->weightFuncCombo->addItems(weightFunctionNames);
    ui->weightFuncCombo->addItem(arbitraryFunctionName);
    const SizeToWeightFunction& function =
        weightFunctionsMap.at(static_cast<std::size_t>(ui->weightFuncCombo->currentIndex())).second;
    model->setWeightFunction(ScaleSpaceModel::WeightFunction(function));
    connect(ui->weightFuncCombo, &QComboBox::currentIndexChanged, this,
            &MainWindow::handleWeightFuncChanged);
    // A weight typed into the table shows "Arbitrary" without running the handler, which would
    // recompute the weights.
    connect(model, &ScaleSpaceModel::weightModeArbitrary, this, [this] {
        const QSignalBlocker blocker(ui->weightFuncCombo);
        ui->weightFuncCombo->setCurrentText(arbitraryFunctionName);
    });
}

void MainWindow::initialiseCutoffDial() {
    ui->cutoffDial->setValue(ui->cutoffDial->maximum() / 2);
    connect(ui->cutoffDial, &QDial::actionTriggered, this, [this](int) { handleCutoffChanged(); });
    // The tooltips follow the value, also while it is dragged.
    ui->cutoffDial->setToolTip(controlTooltip(ui->cutoffDial));
    connect(ui->cutoffDial, &QDial::valueChanged, this,
            [this] { showLiveToolTip(ui->cutoffDial, controlTooltip(ui->cutoffDial)); });
    attachValueBox(ui->cutoffDial, QStringLiteral("cutoffSpinBox"));
}

void MainWindow::initialiseAttenuationSlider() {
    ui->attenuationSlider->setValue(50);
    connect(ui->attenuationSlider, &QSlider::valueChanged, this,
            &MainWindow::handleAttenuationChanged);
    ui->attenuationSlider->setToolTip(controlTooltip(ui->attenuationSlider));
    connect(ui->attenuationSlider, &QSlider::valueChanged, this, [this] {
        showLiveToolTip(ui->attenuationSlider, controlTooltip(ui->attenuationSlider));
    });
    attachValueBox(ui->attenuationSlider, QStringLiteral("attenuationSpinBox"));
}

void MainWindow::initialiseSaveSubScaleButtons() {
    connect(ui->saveAsButton, &QPushButton::clicked, this, &MainWindow::handleSaveSubScaleSpaceAs);
    connect(ui->saveButton, &QPushButton::clicked, this, &MainWindow::handleSaveSubScaleSpace);
}

void MainWindow::initialiseSelectionBox() {
    fitOneLine(ui->selectionBox);
}

void MainWindow::initialiseTable() {
    QTableView* table = ui->scaleSpaceTable;
    const auto [horizontal, vertical] = setUpIntervalTable(table, model, &scaleSpace);
    table->installEventFilter(this);

    // The last note of a scale space cannot be deleted.
    connect(&scaleSpace, &ScaleSpace::spaceTooSmall, this, [horizontal, vertical](bool tooSmall) {
        horizontal->enableAction(QStringLiteral("delNote"), !tooSmall);
        vertical->enableAction(QStringLiteral("delNote"), !tooSmall);
    });

    // An editor still open when the window closes commits its text while the window is taken
    // down: the status bar, not the window, receives the refusal.
    QStatusBar* status = statusBar();
    connect(model, &ScaleSpaceModel::editRefused, status,
            [status](const QString& text, const QString& reason) {
                status->showMessage(tr("Cannot use \"%1\": %2.").arg(text, reason), statusTimeout);
            });

    editor->attachHeader(horizontal);
    editor->attachHeader(vertical);
}
