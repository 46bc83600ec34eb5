#include "app/mainwindow.h"
#include "app/shared/storageconstants.h"
#include "app/widgets/customheaderview.h"
#include "app/widgets/scalespacedelegate.h"
#include "storage/dbmanager.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>

namespace {

QStringList comboEntries(const QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    return entries;
}

template <typename T> T* child(const QObject& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    // As at start: the library first, then the palette, then the window.
    void initTestCase() {
        // The test must write into its own temporary configuration folder.
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        QVERIFY(configPath.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QVERIFY(!QFileInfo::exists(pitchSpacesPath));

        dbManager::initialise();
        for (int i = 0; i < 7; ++i) {
            const QString file = makeFilePath(defaultScaleSpaces.at(i), pitchSpacesPath);
            QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
            QVERIFY(QFileInfo(file).size() > 0);
        }
        initialisePalette();
    }

    void makeFilePathJoinsNameAndExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("library") << "12edo"
                                 << "/a/Pitch Spaces"
                                 << "/a/Pitch Spaces/12edo.qmx";
        QTest::newRow("trailing slash") << "x"
                                        << "/b/"
                                        << "/b/x.qmx";
        QTest::newRow("dotted name") << "my.scale"
                                     << "/c"
                                     << "/c/my.scale.qmx";
    }

    void makeFilePathJoinsNameAndExtension() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(makeFilePath(name, folder), expected);
    }

    void paletteHighlightIsOrange_data() {
        QTest::addColumn<QPalette::ColorGroup>("group");
        QTest::newRow("active") << QPalette::Active;
        QTest::newRow("inactive") << QPalette::Inactive;
        QTest::newRow("disabled") << QPalette::Disabled;
    }

    void paletteHighlightIsOrange() {
        QFETCH(QPalette::ColorGroup, group);
        const QColor orange(255, 128, 0);
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
        QCOMPARE(QGuiApplication::palette().color(group, QPalette::Highlight), orange);
        // Every widget inherits it, not only the application palette.
        const MainWindow window;
        const auto* table = child<QTableView>(window, "scaleSpaceTable");
        QCOMPARE(table->palette().color(group, QPalette::Highlight), orange);
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        QCOMPARE(QGuiApplication::palette().color(group, QPalette::Accent), orange);
#endif
    }

    void paletteKeepsTheOtherRoles() {
        QPalette fusion = QApplication::style()->standardPalette();
        QPalette current = QGuiApplication::palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            fusion.setColor(group, QPalette::Highlight, QColor(255, 128, 0));
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
            fusion.setColor(group, QPalette::Accent, QColor(255, 128, 0));
#endif
        }
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto colourRole = static_cast<QPalette::ColorRole>(role);
            QCOMPARE(current.color(QPalette::Active, colourRole),
                     fusion.color(QPalette::Active, colourRole));
        }
    }

    void controlDefaults_data() {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char* object, const char* property, const QVariant& expected) {
            QTest::addRow("%s %s", object, property)
                << QString(object) << QString(property) << expected;
        };
        row("MainWindow", "windowTitle", QStringLiteral("12edo[*] - Quillmere"));
        row("MainWindow", "windowModified", false);
        row("scaleSpaceCombo", "currentText", QStringLiteral("12edo"));
        row("weightFuncCombo", "currentText", QStringLiteral("Benedetti"));
        row("precisionSpinBox", "value", 4);
        row("precisionSpinBox", "minimum", 1);
        row("precisionSpinBox", "maximum", 15);
        row("rangeSpinBox", "value", 13);
        row("rangeSpinBox", "minimum", 2);
        row("rangeSpinBox", "maximum", 1024);
        row("cutoffDial", "value", 500);
        row("cutoffDial", "minimum", 0);
        row("cutoffDial", "maximum", 1000);
        row("attenuationSlider", "value", 50);
        row("attenuationSlider", "minimum", 0);
        row("attenuationSlider", "maximum", 100);
        row("ratioRadioButton", "checked", true);
        row("centsRadioButton", "checked", false);
        row("sizeRadioButton", "checked", true);
        row("weightRadioButton", "checked", false);
        row("cancelButton", "enabled", false);
        row("saveButton", "enabled", false);
        row("makeButton", "enabled", true);
        row("clearButton", "enabled", true);
        row("saveAsButton", "enabled", true);
        row("makeProgressBar", "value", 0);
        row("temperamentBox", "plainText", QString());
        row("selectionBox", "plainText", QString());
        row("temperamentBox", "readOnly", true);
    }

    void controlDefaults() {
        QFETCH(QString, object);
        QFETCH(QString, property);
        QFETCH(QVariant, expected);
        const MainWindow window;
        const QObject* target =
            object == "MainWindow" ? &window : window.findChild<QObject*>(object);
        QVERIFY(target);
        const QVariant actual = target->property(qPrintable(property));
        QVERIFY(actual.isValid());
        QCOMPARE(actual, expected);
    }

    void comboEntriesInOrder() {
        const MainWindow window;
        QCOMPARE(comboEntries(child<QComboBox>(window, "scaleSpaceCombo")), defaultScaleSpaces);
        QCOMPARE(comboEntries(child<QComboBox>(window, "weightFuncCombo")),
                 QStringList({"Benedetti", "Uniform", "Arbitrary"}));
    }

    // The table shows the default scale space as read from the library: 12 notes and the
    // repetition of note 0, at the default settings.
    void tableShowsTheDefaultScaleSpace() {
        const MainWindow window;
        const auto* table = child<QTableView>(window, "scaleSpaceTable");
        const auto* model = qobject_cast<const ScaleSpaceModel*>(table->model());
        QVERIFY(model);
        QCOMPARE(model->rowCount(), 13);
        QCOMPARE(model->columnCount(), 13);
        QCOMPARE(model->getPrecision(), 4);
        QCOMPARE(model->getAttenuation(), 50);
        QCOMPARE(model->getDisplayMode(), DisplayMode::Decimal);
        QCOMPARE(model->getIntervalMode(), IntervalMode::Size);
        QCOMPARE(model->getWeightMode(), WeightMode::Function);
        // The repetition interval of the built-in scale spaces is the octave.
        QCOMPARE(model->data(model->index(0, 12)).toString(), QStringLiteral("2"));
        QVERIFY(window.tableDelegate());
        QVERIFY(qobject_cast<const CustomHeaderView*>(table->horizontalHeader()));
        QVERIFY(qobject_cast<const CustomHeaderView*>(table->verticalHeader()));
    }

    void focusPolicies_data() {
        QTest::addColumn<QString>("object");
        QTest::addColumn<Qt::FocusPolicy>("policy");
        for (const char* name :
             {"cutoffDial", "makeButton", "clearButton", "cancelButton", "temperamentBox",
              "precisionSpinBox", "ratioRadioButton", "centsRadioButton", "sizeRadioButton",
              "weightRadioButton", "saveButton", "saveAsButton", "scaleSpaceCombo", "rangeSpinBox",
              "weightFuncCombo", "attenuationSlider", "scaleSpaceTable"}) {
            QTest::newRow(name) << QString(name) << Qt::ClickFocus;
        }
        QTest::newRow("selectionBox") << "selectionBox" << Qt::NoFocus;
    }

    void focusPolicies() {
        QFETCH(QString, object);
        QFETCH(Qt::FocusPolicy, policy);
        const MainWindow window;
        const auto* widget = window.findChild<QWidget*>(object);
        QVERIFY(widget);
        QCOMPARE(widget->focusPolicy(), policy);
    }

    // At least two thirds of the screen, more where the table needs it, never beyond it.
    void windowOpensAtTwoThirdsOfTheScreen() {
        const QSize available = QGuiApplication::primaryScreen()->availableSize();
        const MainWindow window;
        const QSize doubled(qRound(available.width() * 2.0), qRound(available.height() * 2.0));
        const QSize twoThirds(qRound(doubled.width() / 3.0), qRound(doubled.height() / 3.0));
        QVERIFY(window.width() >= twoThirds.width() && window.height() >= twoThirds.height());
        QVERIFY(window.width() <= available.width() && window.height() <= available.height());
        QVERIFY(!window.windowIcon().isNull());
    }

    // Without any display the program says so in one line and points to the command-line
    // tool, instead of Qt's abort; any one way to a display lets it start.
    void noDisplayIsOneClearLine() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUILLMERE_APP), {});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QString error = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(error.count('\n'), 1);
        QVERIFY2(error.contains("no display") && error.contains("quillmere-tune"),
                 qPrintable(error));
    }

    // A weight typed into the table shows "Arbitrary" without the combo box's handler.
    void arbitraryWeightsShowWithoutTheHandler() {
        const MainWindow window;
        auto* combo = child<QComboBox>(window, "weightFuncCombo");
        const auto* table = child<QTableView>(window, "scaleSpaceTable");
        auto* model = qobject_cast<ScaleSpaceModel*>(table->model());
        const QSignalSpy indexChanges(combo, &QComboBox::currentIndexChanged);
        emit model->weightModeArbitrary();
        QCOMPARE(combo->currentText(), QStringLiteral("Arbitrary"));
        QCOMPARE(indexChanges.count(), 0);
        QVERIFY(!combo->signalsBlocked());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
