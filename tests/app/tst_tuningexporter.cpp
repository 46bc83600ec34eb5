#include "app/exporting/tuningexporter.h"
#include "app/menus/windowmenus.h"
#include "tests/app/windowharness.h"
#include "tests/formats/formatreaders.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>

using Tuning = std::vector<long double>;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the dialogs as they open: the reference dialog with a key and a frequency text (or
// Cancel when the text is empty), the file dialog with a typed path (or Cancel when it is
// empty). A replace question is answered with yes. What was shown is kept for checks.
class DialogDriver : public QObject {
public:
    DialogDriver(const QString& path, int key = 60, const QString& frequency = QString())
        : path(path), key(key), frequency(frequency) {
        connect(&timer, &QTimer::timeout, this, [this] { answer(); });
        timer.start(10);
    }

    QStringList seen; // "reference" or "file", in order
    bool okEnabled = true;
    QStringList filters;
    QString suffix;
    QString typedName;

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == answered) {
            return;
        }
        answered = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->button(QMessageBox::Yes)->click();
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (modal->objectName() == QLatin1String("referenceDialog")) {
            seen << QStringLiteral("reference");
            if (frequency.isEmpty()) {
                dialog->reject();
                return;
            }
            modal->findChild<QSpinBox*>("referenceKeySpinBox")->setValue(key);
            modal->findChild<QLineEdit*>("referenceFrequencyEdit")->setText(frequency);
            okEnabled =
                modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
            if (okEnabled) {
                QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
            } else {
                dialog->reject();
            }
            return;
        }
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            seen << QStringLiteral("file");
            filters = files->nameFilters();
            suffix = files->defaultSuffix();
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            typedName = name != nullptr ? name->text() : QString();
            if (path.isEmpty()) {
                files->reject();
                return;
            }
            if (name != nullptr) {
                name->setText(path);
            }
            QTimer::singleShot(0, files, [files] { static_cast<QDialog*>(files)->accept(); });
        }
    }

    QString path;
    int key;
    QString frequency;
    QTimer timer;
    QPointer<QWidget> answered;
};

formats::TuningDocument meantone() {
    formats::TuningDocument document;
    // Quarter-comma meantone: whole tone, major third, fifth, octave.
    document.tuning = {1.0L, std::sqrt(5.0L) / 2, 1.25L, std::pow(5.0L, 0.25L), 2.0L};
    document.title = QStringLiteral("meantone");
    document.description = QStringLiteral("a tuning");
    return document;
}

const formats::TuningFormat& format(const char* name) {
    return *formats::findTuningFormat(QLatin1String(name));
}

} // namespace

class TestTuningExporter : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QWidget parent;

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
    }
    void init() { QSettings().clear(); }

    // The first export that maps keys asks for the reference; the next ones use what was
    // accepted, and the files play it.
    void referenceAskedOnceAndRemembered() {
        TuningExporter exporter(&parent);
        const formats::TuningDocument document = meantone();
        const QString kbm = folder.filePath("first.kbm");
        QString status;
        {
            DialogDriver driver(kbm, 57, QStringLiteral("220.5"));
            status = exporter.exportTuning(format("kbm"), document);
            QCOMPARE(driver.seen, (QStringList{"reference", "file"}));
            QCOMPARE(driver.filters, QStringList{"Scala keyboard mapping (*.kbm)"});
            QCOMPARE(driver.suffix, QStringLiteral("kbm"));
            QCOMPARE(driver.typedName, QStringLiteral("meantone.kbm"));
        }
        QVERIFY2(status.contains(kbm) && status.contains("key 57 at 220.5 Hz"), qPrintable(status));
        const std::optional<formats::KeyMapping> kept = TuningExporter::rememberedKeyMapping();
        QVERIFY(kept);
        QCOMPARE(kept->referenceKey, 57);
        QCOMPARE(kept->referenceFrequency, 220.5);
        QCOMPARE(QSettings().value(referenceFrequencySetting).toDouble(), 220.5);

        const std::vector<long double> expected =
            readers::expectedCents(document.tuning, 57, 220.5);
        const readers::KeyboardMapping mapping = readers::readKeyboardMapping(fileBytes(kbm));
        QVERIFY2(mapping.error.isEmpty(), qPrintable(mapping.error));
        const auto played = readers::keyCents(mapping, document.tuning);

        const QString tun = folder.filePath("second.tun");
        {
            DialogDriver driver(tun);
            exporter.exportTuning(format("tun"), document);
            QCOMPARE(driver.seen, QStringList{"file"});
        }
        const readers::AnaMarkTuning anaMark = readers::readAnaMarkTuning(fileBytes(tun));
        QVERIFY2(anaMark.error.isEmpty(), qPrintable(anaMark.error));
        for (int key = 0; key < 128; ++key) {
            QVERIFY(std::fabs(*played[key] - expected[key]) < 1e-9L);
            QVERIFY(std::fabs(anaMark.exact[key] - expected[key]) < 1e-6L);
        }
    }

    void nothingWrittenWhenCancelled_data() {
        QTest::addColumn<QString>("formatName");
        QTest::addColumn<QString>("frequency"); // empty: the reference dialog is cancelled
        QTest::addColumn<QString>("path");      // empty: the file dialog is cancelled
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("reference cancelled") << "syx"
                                             << ""
                                             << "x.syx" << QStringList{"reference"};
        QTest::newRow("file cancelled") << "tun"
                                        << "440"
                                        << "" << QStringList{"reference", "file"};
        QTest::newRow("scl: no reference, file cancelled") << "scl"
                                                           << ""
                                                           << "" << QStringList{"file"};
        QTest::newRow("frequency 0 refused") << "kbm"
                                             << "0"
                                             << "x.kbm" << QStringList{"reference"};
        QTest::newRow("frequency text refused") << "kbm"
                                                << "middle C"
                                                << "x.kbm" << QStringList{"reference"};
    }
    void nothingWrittenWhenCancelled() {
        QFETCH(QString, formatName);
        QFETCH(QString, frequency);
        QFETCH(QString, path);
        QFETCH(QStringList, seen);
        TuningExporter exporter(&parent);
        const QString target = path.isEmpty() ? QString() : folder.filePath(path);
        DialogDriver driver(target, 60, frequency);
        const QString status =
            exporter.exportTuning(*formats::findTuningFormat(formatName), meantone());
        QCOMPARE(status, QString());
        QCOMPARE(driver.seen, seen);
        QVERIFY(target.isEmpty() || !QFile::exists(target));
        QCOMPARE(TuningExporter::rememberedKeyMapping().has_value(),
                 seen.size() == 2 && formatName != "scl");
        QCOMPARE(driver.okEnabled, frequency != "0" && frequency != "middle C");
    }

    void unusableSettingsAskAgain_data() {
        QTest::addColumn<QVariant>("key");
        QTest::addColumn<QVariant>("frequency");
        QTest::newRow("key 128") << QVariant(128) << QVariant(440.0);
        QTest::newRow("key text") << QVariant("C4") << QVariant(440.0);
        QTest::newRow("frequency text") << QVariant(60) << QVariant("loud");
        QTest::newRow("negative frequency") << QVariant(60) << QVariant(-440.0);
        QTest::newRow("infinite frequency") << QVariant(60) << QVariant("inf");
        QTest::newRow("no key") << QVariant() << QVariant(440.0);
    }
    void unusableSettingsAskAgain() {
        QFETCH(QVariant, key);
        QFETCH(QVariant, frequency);
        QSettings settings;
        if (key.isValid()) {
            settings.setValue(referenceKeySetting, key);
        }
        settings.setValue(referenceFrequencySetting, frequency);
        settings.sync();
        QVERIFY(!TuningExporter::rememberedKeyMapping());
    }

    void failuresSaySo() {
        TuningExporter exporter(&parent);
        TuningExporter::rememberKeyMapping({60, 440});
        const QString nowhere = folder.filePath("no/such/folder/x.syx");
        {
            DialogDriver driver(nowhere);
            const QString status = exporter.exportTuning(format("syx"), meantone());
            QVERIFY2(status.startsWith("Not exported to"), qPrintable(status));
        }
        QVERIFY(!QFile::exists(folder.filePath("no")));
        formats::TuningDocument single = meantone();
        single.tuning = {1.0L};
        DialogDriver driver(folder.filePath("single.kbm"));
        const QString status = exporter.exportTuning(format("kbm"), single);
        QVERIFY2(status.startsWith("Cannot export"), qPrintable(status));
        QCOMPARE(driver.seen, QStringList());
    }

    // In the window: the entries follow the last tuning, and one writes it.
    void windowEntries() {
        QVERIFY(startLikeMain());
        WindowHarness harness;
        QMenu* menu = harness.window.windowMenus()->menu("menuExport");
        QList<QAction*> entries;
        for (const char* name :
             {"actionExportSCL", "actionExportKBM", "actionExportTUN", "actionExportSYX"}) {
            QAction* action = menu->findChild<QAction*>(name);
            if (action == nullptr) {
                action = harness.window.findChild<QAction*>(name);
            }
            QVERIFY2(action != nullptr, name);
            QVERIFY(menu->actions().contains(action));
            QVERIFY(!action->isEnabled());
            entries << action;
        }
        harness.window.findChild<QPushButton*>("makeButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!harness.window.getTuning().empty(), 20000);
        for (QAction* action : entries) {
            QVERIFY(action->isEnabled());
        }

        TuningExporter::rememberKeyMapping({48, 130.8});
        const QString path = folder.filePath("window.syx");
        {
            DialogDriver driver(path);
            entries[3]->trigger();
            QCOMPARE(driver.seen, QStringList{"file"});
        }
        QVERIFY2(harness.window.statusBar()->currentMessage().contains(path),
                 qPrintable(harness.window.statusBar()->currentMessage()));
        const readers::BulkDump dump = readers::readBulkDump(fileBytes(path));
        QVERIFY2(dump.error.isEmpty(), qPrintable(dump.error));
        QCOMPARE(dump.name, QByteArray("12edo           "));
        const std::vector<long double> expected =
            readers::expectedCents(harness.window.getTuning(), 48, 130.8);
        for (int key = 0; key < 128; ++key) {
            if (dump.cents[key]) {
                QVERIFY(std::fabs(*dump.cents[key] - expected[key]) <= 100.0L / 16384 / 2);
            } else {
                QVERIFY(expected[key] < 0 || expected[key] > 12800);
            }
        }

        harness.window.findChild<QPushButton*>("clearButton")->click();
        QVERIFY(harness.window.getTuning().empty());
        for (QAction* action : entries) {
            QVERIFY(!action->isEnabled());
        }
    }
};

QTEST_MAIN(TestTuningExporter)
#include "tst_tuningexporter.moc"
