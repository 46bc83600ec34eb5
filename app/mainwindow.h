#pragma once

#include "app/document/scalespacedocument.h"
#include "app/editing/noteshifts.h"
#include "core/scalespace.h"
#include "model/scalespacemodel.h"
#include "tuning/weightfunctions.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QString>
#include <QUrl>

#include <array>
#include <optional>
#include <utility>
#include <vector>

class QAbstractSlider;
class QButtonGroup;
class QCloseEvent;
class EditHistory;
class WindowMenus;
class ScaleSpaceDelegate;
class TuningJob;
class TableCursor;
class TuningOutput;
class ScaleSpaceEditor;
class WorkBinding;
struct TuningSettings;

namespace Ui {
class MainWindow;
}

// The application's only window: the interval table of the scale space shown, with the
// controls that choose, edit, weight and save it and make a tuning of its notes in the
// background.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    // Stops a running tuning task before any member goes.
    ~MainWindow() override;
    // Shows the scale space file at this path (the command-line argument).
    void changeScaleSpace(const QString& path);
    // The selected notes, or every table note when none is selected; ascending.
    std::vector<int> notesToSave() const;
    long double makeCutoffValue() const;
    IntervalsPattern makeSubIntervalsPattern(std::vector<int> notes) const;
    void displayTuning();
    void selectNotes(const std::vector<int>& notes, const bool& select);
    void fixNotes(const std::vector<int>& notes, const bool& fix);
    void updateSelectionBox();
    void resetSelection();
    void postModelResetSelect(const QModelIndex& index, const std::optional<QModelIndex>& previous);
    // What "Make" reads from the controls now.
    TuningSettings currentTuningSettings() const;
    // The table's delegate; null if the table has a delegate of another type.
    ScaleSpaceDelegate* tableDelegate() const;

    QString makeTooltipText(const QModelIndex& index);
    void swapDisplayMode();
    void swapIntervalMode();
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The menu bar's named actions.
    WindowMenus* windowMenus() const { return menus; }
    // The undo history of the scale space shown.
    EditHistory* editHistory() const { return history; }
    // Shows a Scala scale as a new, modified scale space named after its file; false, with a
    // status line, when it cannot be read (or the user keeps the unsaved space shown).
    bool importScala(const QString& path);
    // Asks whether to save unsaved edits; false when the user cancels (or saving failed).
    bool maybeSave();
    // Enables each menu action exactly when its button or key would act.
    void refreshActions();
    // The last tuning made; empty when none is shown.
    const std::vector<long double>& getTuning() const;

signals:
    void currentUrlChanged(QUrl newUrl);
    // The last tuning made was replaced or cleared.
    void tuningChanged();

public slots:
    void handleAddNote(int noteToAdd, bool cameFromAddBefore);
    void handleDeleteNote(int noteToDelete);
    void handleFillSelection();
    void handleClearSelection();
    void handleFixAll();
    void handleUnfixAll();
    void handleHeaderLeftClicked(const int& clickedNote);

    void handleScaleSpaceActivated(QString itemName);
    void handleSaveSubScaleSpace();
    void handleSaveSubScaleSpaceAs();
    void handleCurrentUrlChanged(QUrl newUrl);

    void handleMakeClicked();
    void handleCancelClicked();
    void handleClearClicked();
    void startMaking();
    void cancelMaking();
    void makingTuningFinished(const std::vector<long double>& result);
    void clearTemperamentBox();

    void handlePrecisionChanged(const int& precision);
    void handleRangeChanged(const int& range);
    void handleAttenuationChanged(int attenuation);
    void handleCutoffChanged();
    void handleWeightFuncChanged(const int& index);
    void handleChangeDisplay(const DisplayMode& mode);
    void handleChangeSizeWeight(const IntervalMode& mode);

private:
    // Each sets its controls' values before it connects their signals, so that no handler
    // runs during construction.
    void initialiseWindow();
    void initialiseDisplaySettings();
    void initialiseMakeCancelButtons();
    void initialiseSizeWeightRatioGroup();
    void initialisePrecisionSpinBox();
    void initialiseScaleSpacesCombo();
    void initialiseRangeSpinBox();
    void initialiseWeightFunctionsCombo();
    void initialiseCutoffDial();
    void initialiseAttenuationSlider();
    void initialiseSaveSubScaleButtons();
    void initialiseSelectionBox();
    void initialiseTable();
    // The dial's and the attenuation slider's tooltip: the value, and the dial's weight cutoff
    // for the notes to tune now.
    QString controlTooltip(const QAbstractSlider* control) const;
    void initialiseMenus();
    void initialiseKeyActions();
    void closeEvent(QCloseEvent* event) override;
    void openRecentFile(const QString& path);
    void initialiseDocument();
    void initialiseSound();
    void initialiseExporting();

    // Shows the pattern as the scale space of that name; false, changing nothing, when the
    // pattern has no notes.
    bool showSizePattern(const QString& name, const SizePattern& pattern, const bool& adjustRange);
    // Shows the existing scale space file at the path and makes it the current file; false,
    // changing nothing and creating no file, when it does not exist or yields no notes.
    bool openScaleSpaceFile(const QString& path, const bool& announceAlways);
    // The scale space combo box shows the entry of the current file, without running a handler.
    void showEntryOfCurrentFile();
    // Writes the notes to keep into the file; on failure the file keeps its contents and the
    // status bar names it.
    bool saveNotesInto(const QString& path);
    // Stops a search and clears the tuning shown: another space is shown.
    void forgetTuning();
    // How long a status line stays, unless the next action replaces it.
    static constexpr int statusTimeout = 10000;

    Ui::MainWindow* ui;
    TuningJob* job = nullptr;
    TuningOutput* output = nullptr;
    ScaleSpace scaleSpace;
    ScaleSpaceModel* model;
    QButtonGroup* displayModeGroup;
    QButtonGroup* sizeWeightGroup;
    std::array<std::pair<QString, SizeToWeightFunction>, 2> weightFunctionsMap;
    WindowMenus* menus = nullptr;
    EditHistory* history = nullptr;
    ScaleSpaceDocument* document = nullptr;
    TableCursor* cursor = nullptr;
    ScaleSpaceEditor* editor = nullptr;
    WorkBinding* work = nullptr;
};

#include "app/startup.h"
