#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"
#include "tests/common/numeric.h"
#include "tests/storage/rawfile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

SizePattern readPattern(const QString& path) {
    if (!QFileInfo::exists(path)) {
        return {};
    }
    const auto db = dbManager::openDatabase(QUrl::fromLocalFile(path));
    return db ? db->loadPattern() : SizePattern();
}

bool writePattern(const QString& path, const SizePattern& pattern) {
    const auto db = dbManager::openDatabase(QUrl::fromLocalFile(path));
    return db && db->savePattern(pattern);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString libraryFile(const QString& name) {
    return makeFilePath(name, pitchSpacesPath);
}

// Four notes repeating at the octave: 1, 9/8, 5/4, 3/2.
SizePattern fourNotes() {
    return {{9.0L / 8, 5.0L / 4, 3.0L / 2, 2.0L},
            {10.0L / 9, 4.0L / 3, 16.0L / 9},
            {6.0L / 5, 8.0L / 5},
            {4.0L / 3}};
}

// Answers the file dialogs that the window opens: the path is typed and accepted, or the
// dialog is rejected when the path is empty. A question whether to replace a file is answered
// with yes; any other question, or a dialog that stays open, is closed and counted as a
// failure, so that a test never hangs. What the dialog was asked to show is kept for checks.
class DialogAnswer : public QObject {
public:
    explicit DialogAnswer(const QString& path = QString()) : path(path) {
        connect(&timer, &QTimer::timeout, this, [this] { answer(); });
        timer.start(10);
    }

    int dialogs = 0;
    int failures = 0;
    QString caption;
    QStringList filters;
    QString suffix;
    QString directory;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click();
            } else {
                ++failures;
                box->reject();
            }
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) {
            return;
        }
        if (dialog == answered) {
            if (++ticksOpen > 50) {
                ++failures;
                dialog->reject();
            }
            return;
        }
        answered = dialog;
        ticksOpen = 0;
        ++dialogs;
        caption = dialog->windowTitle();
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        directory = dialog->directory().absolutePath();
        mode = dialog->acceptMode();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed, as the focused name field ignores selectFile.
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            name->setText(path);
        }
        // Accepting may ask a question in a loop of its own: not from inside this timer.
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
    }

    QString path;
    QTimer timer;
    QPointer<QFileDialog> answered;
    int ticksOpen = 0;
};

// Everything about the shown scale space that a failed open or a cancelled dialog must leave.
struct Shown {
    QString title;
    int range = 0;
    QString entry;
    bool saveEnabled = false;
    QString selection;
    QList<int> fixed;
    QStringList row0;

    explicit Shown(const WindowHarness& harness)
        : title(shownTitle(harness.window)), range(harness.range->value()),
          entry(harness.combo->currentText()), saveEnabled(harness.saveButton->isEnabled()),
          selection(harness.selection()), fixed(harness.fixedNotes()) {
        for (int column = 0; column < harness.model->columnCount(); ++column) {
            row0 << harness.model->data(harness.model->index(0, column)).toString();
        }
    }

    bool operator==(const Shown& other) const {
        return title == other.title && range == other.range && entry == other.entry &&
               saveEnabled == other.saveEnabled && selection == other.selection &&
               fixed == other.fixed && row0 == other.row0;
    }
};

char* toString(const Shown& shown) {
    return QTest::toString(QStringLiteral("%1 | range %2 | %3 | save %4 | %5 | fixed %6 | %7")
                               .arg(shown.title)
                               .arg(shown.range)
                               .arg(shown.entry)
                               .arg(shown.saveEnabled)
                               .arg(shown.selection)
                               .arg(shown.fixed.size())
                               .arg(shown.row0.join(' ')));
}

} // namespace

class TestWindowFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(startLikeMain());
        QVERIFY(temp.isValid());
        QVERIFY(QDir().mkpath(QDir(pitchSpacesPath).filePath("sub/deeper")));
        QVERIFY(writePattern(QDir(pitchSpacesPath).filePath("sub/deeper/inner.qmx"), fourNotes()));
        QVERIFY(writePattern(temp.filePath("elsewhere.qmx"), fourNotes()));
        QVERIFY(QFile::link(libraryFile("7edo"), temp.filePath("link.qmx")));
    }

    void init() { QVERIFY(QDir::setCurrent(temp.path())); }

    void adjustedRange_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("oldCount");
        QTest::addColumn<int>("newCount");
        QTest::addColumn<int>("expected");
        QTest::newRow("13 on 12 to 19") << 13 << 12 << 19 << 20;
        QTest::newRow("13 on 12 to 7") << 13 << 12 << 7 << 8;
        QTest::newRow("10 on 12 to 19") << 10 << 12 << 19 << 15;
        QTest::newRow("10 on 12 to 7") << 10 << 12 << 7 << 6;
        QTest::newRow("25 on 12 to 5") << 25 << 12 << 5 << 11;
        QTest::newRow("equal counts") << 999 << 5 << 5 << 999;
        QTest::newRow("from no notes") << 7 << 0 << 12 << 13;
    }

    void adjustedRange() {
        QFETCH(int, range);
        QFETCH(int, oldCount);
        QFETCH(int, newCount);
        QFETCH(int, expected);
        QCOMPARE(makeAdjustedRange(range, oldCount, newCount), expected);
    }

    void libraryFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("expected");
        QTest::newRow("library file") << libraryFile("12edo") << true;
        QTest::newRow("two folders below")
            << QDir(pitchSpacesPath).filePath("sub/deeper/inner.qmx") << true;
        QTest::newRow("elsewhere") << temp.filePath("elsewhere.qmx") << false;
        QTest::newRow("link into the library") << temp.filePath("link.qmx") << true;
        QTest::newRow("missing library file") << libraryFile("nothing") << false;
        QTest::newRow("the folder itself") << pitchSpacesPath << false;
        QTest::newRow("no path") << QString() << false;
    }

    void libraryFolder() {
        QFETCH(QString, path);
        QFETCH(bool, expected);
        QCOMPARE(isInLibraryFolder(QUrl::fromLocalFile(path)), expected);
    }

    void chooseLibraryEntry_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("notes");
        QTest::addColumn<int>("expectedRange");
        QTest::newRow("19edo at 13") << 13 << "19edo" << 19 << 20;
        QTest::newRow("7edo at 10") << 10 << "7edo" << 7 << 6;
        QTest::newRow("5edo at 25") << 25 << "5edo" << 5 << 11;
    }

    void chooseLibraryEntry() {
        QFETCH(int, range);
        QFETCH(QString, entry);
        QFETCH(int, notes);
        QFETCH(int, expectedRange);
        WindowHarness harness;
        harness.range->setValue(range);
        harness.window.selectNotes({1, 3}, true);
        harness.window.fixNotes({2}, true);
        harness.makeCurrent(1, 3);
        const QSignalSpy urls(&harness.window, &MainWindow::currentUrlChanged);

        harness.combo->setCurrentText(entry);
        emit harness.combo->textActivated(entry);

        QCOMPARE(harness.noteCount(), notes);
        QCOMPARE(harness.range->value(), expectedRange);
        QCOMPARE(harness.model->getRange(), expectedRange);
        QCOMPARE(shownTitle(harness.window), entry + " - Quillmere");
        QCOMPARE(harness.selection(), QString());
        QCOMPARE(harness.window.notesToSave().size(), std::size_t(expectedRange));
        QCOMPARE(harness.fixedNotes(), QList<int>{});
        QCOMPARE(harness.framedCell(), QPoint(-1, -1));
        QVERIFY(!harness.saveButton->isEnabled());
        QCOMPARE(urls.count(), 1);
        QCOMPARE(urls.at(0).at(0).toUrl(), QUrl::fromLocalFile(libraryFile(entry)));
    }

    void rechoosingTheShownEntryKeepsEdits() {
        WindowHarness harness;
        QVERIFY(harness.model->setData(harness.model->index(0, 1), "1.1"));
        harness.makeCurrent(2, 3);
        harness.window.resetSelection();
        harness.window.tableDelegate()->setLastSelectedIndex(harness.model->index(2, 3));
        const QSignalSpy urls(&harness.window, &MainWindow::currentUrlChanged);

        emit harness.combo->textActivated("12edo");

        QCOMPARE(harness.model->data(harness.model->index(0, 1)).toString(), QStringLiteral("1.1"));
        QCOMPARE(urls.count(), 0);
        QCOMPARE(harness.currentCell(), QPoint(3, 2));
    }

    // A file outside the library that has a library name is not that library entry.
    void libraryEntryAfterAFileOfTheSameName() {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("19edo.qmx");
        QVERIFY(writePattern(path, fourNotes()));
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        QCOMPARE(harness.noteCount(), 4);
        QVERIFY(harness.saveButton->isEnabled());

        harness.combo->setCurrentText("19edo");
        emit harness.combo->textActivated("19edo");
        QCOMPARE(harness.noteCount(), 19);
        QVERIFY(!harness.saveButton->isEnabled());
    }

    void customCancelledChangesNothing() {
        WindowHarness harness;
        harness.window.selectNotes({2}, true);
        const Shown before(harness);
        const DialogAnswer answer;
        harness.combo->setCurrentText(customEntry);
        emit harness.combo->textActivated(customEntry);

        QCOMPARE(answer.dialogs, 1);
        QCOMPARE(answer.failures, 0);
        QCOMPARE(answer.caption, QStringLiteral("Open File"));
        QCOMPARE(answer.filters, QStringList{"Scale Spaces (*.qmx)"});
        QCOMPARE(answer.directory, QDir::currentPath());
        QCOMPARE(answer.mode, QFileDialog::AcceptOpen);
        // The entry goes back to the scale space still shown.
        QCOMPARE(Shown(harness), before);
    }

    // Whatever its name, the chosen file is the one shown and the one "Save" writes into.
    void customOpensTheChosenFile_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "plain.qmx"
                               << "plain";
        QTest::newRow("several dots") << "my.scale.qmx"
                                      << "my";
        QTest::newRow("another suffix") << "other.db"
                                        << "other";
    }

    void customOpensTheChosenFile() {
        QFETCH(QString, fileName);
        QFETCH(QString, name);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(fileName);
        QVERIFY(writePattern(path, fourNotes()));
        WindowHarness harness;
        const QSignalSpy urls(&harness.window, &MainWindow::currentUrlChanged);
        {
            const DialogAnswer answer(path);
            harness.combo->setCurrentText(customEntry);
            emit harness.combo->textActivated(customEntry);
            QCOMPARE(answer.dialogs, 1);
            QCOMPARE(answer.failures, 0);
        }
        QCOMPARE(harness.noteCount(), 4);
        QCOMPARE(harness.range->value(), 5);
        QCOMPARE(shownTitle(harness.window), name + " - Quillmere");
        QCOMPARE(harness.combo->currentText(), customEntry);
        QVERIFY(harness.saveButton->isEnabled());
        QCOMPARE(urls.count(), 1);

        harness.window.selectNotes({0, 1, 2}, true);
        harness.window.handleSaveSubScaleSpace();
        QCOMPARE(readPattern(path).size(), std::size_t(2));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{fileName});
    }

    // Files that yield no notes are treated like files that cannot be opened: the scale space
    // shown stays, "Save" still writes into its file, and the unusable file is left as it was.
    void unusableFileChangesNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("throughDialog");
        for (const bool dialog : {false, true}) {
            const char* route = dialog ? "open dialog" : "command line";
            for (const char* kind :
                 {"empty table", "damaged cell", "misshapen", "not a database", "empty file"}) {
                QTest::addRow("%s, %s", kind, route) << QString(kind) << dialog;
            }
        }
        QTest::newRow("missing, command line") << "missing" << false;
    }

    void unusableFileChangesNothing() {
        QFETCH(QString, kind);
        QFETCH(bool, throughDialog);
        QTemporaryDir folder;
        const QString shownPath = QDir(folder.path()).filePath("shown.qmx");
        const QString path = QDir(folder.path()).filePath("unusable.qmx");
        QVERIFY(writePattern(shownPath, fourNotes()));
        if (kind == "empty table") {
            QVERIFY(writePattern(path, {}));
        } else if (kind == "damaged cell" || kind == "misshapen") {
            QVERIFY(writePattern(path, {{1.5L, 2.0L}, {1.25L}}));
            RawFile raw(path);
            QVERIFY(raw.exec(kind == "damaged cell"
                                 ? "UPDATE matrix SET value = 'abc' WHERE row_id = 1"
                                 : "INSERT INTO matrix VALUES (1, 1, '3.0')"));
        } else if (kind == "not a database") {
            QVERIFY(writeBytes(path, QByteArray("no scale space here\n").repeated(64)));
        } else if (kind == "empty file") {
            QVERIFY(writeBytes(path, QByteArray()));
        }
        const QByteArray bytesBefore = contents(path);

        WindowHarness harness;
        harness.window.changeScaleSpace(shownPath);
        harness.window.selectNotes({1, 2}, true);
        harness.window.fixNotes({3}, true);
        const Shown before(harness);
        const QSignalSpy urls(&harness.window, &MainWindow::currentUrlChanged);
        if (throughDialog) {
            const DialogAnswer answer(path);
            harness.combo->setCurrentText(customEntry);
            emit harness.combo->textActivated(customEntry);
            QCOMPARE(answer.dialogs, 1);
            QCOMPARE(answer.failures, 0);
        } else {
            harness.window.changeScaleSpace(path);
        }

        QCOMPARE(Shown(harness), before);
        QCOMPARE(urls.count(), 0);
        const QHash<QString, QString> reasons{{"empty table", "the file holds no notes"},
                                              {"damaged cell", "the file is damaged"},
                                              {"misshapen", "the file is damaged"},
                                              {"not a database", "it is not a scale space file"},
                                              {"empty file", "it is not a scale space file"},
                                              {"missing", "the file does not exist"}};
        QCOMPARE(harness.window.statusBar()->currentMessage(),
                 "Cannot open " + QDir::toNativeSeparators(path) + ": " + reasons.value(kind) +
                     ".");
        harness.window.handleSaveSubScaleSpace();
        QUILLMERE_COMPARE_PATTERN(readPattern(shownPath), (SizePattern{{10.0L / 9}}));
        if (kind == "missing") {
            QVERIFY(!QFileInfo::exists(path));
        } else if (kind == "empty file") {
            QVERIFY(QFileInfo(path).isFile());
        } else {
            QCOMPARE(contents(path), bytesBefore);
        }
    }

    void commandLine_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("saveEnabled");
        QTest::addColumn<int>("notes");
        QTest::newRow("library file") << libraryFile("19edo") << "19edo" << false << 19;
        QTest::newRow("the file shown") << libraryFile("12edo") << "12edo" << false << 12;
        QTest::newRow("below the library")
            << QDir(pitchSpacesPath).filePath("sub/deeper/inner.qmx") << "12edo" << false << 4;
        QTest::newRow("elsewhere") << temp.filePath("elsewhere.qmx") << customEntry << true << 4;
    }

    void commandLine() {
        QFETCH(QString, path);
        QFETCH(QString, entry);
        QFETCH(bool, saveEnabled);
        QFETCH(int, notes);
        WindowHarness harness;
        const QSignalSpy urls(&harness.window, &MainWindow::currentUrlChanged);
        const QSignalSpy activations(harness.combo, &QComboBox::currentIndexChanged);
        harness.window.changeScaleSpace(path);
        QCOMPARE(harness.noteCount(), notes);
        QCOMPARE(shownTitle(harness.window), QFileInfo(path).baseName() + " - Quillmere");
        // A library file whose name is not in the list leaves the entry as it was.
        QCOMPARE(harness.combo->currentText(), entry);
        QCOMPARE(harness.saveButton->isEnabled(), saveEnabled);
        QCOMPARE(urls.count(), 1);
        QCOMPARE(urls.at(0).at(0).toUrl(), QUrl::fromLocalFile(path));
        QCOMPARE(activations.count(), 0);
    }

    void commandLineArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("title");
        QTest::newRow("none") << QStringList{"quillmere"} << "12edo - Quillmere";
        QTest::newRow("one") << QStringList{"quillmere", libraryFile("19edo")}
                             << "19edo - Quillmere";
        QTest::newRow("three: only the first counts")
            << QStringList{"quillmere", libraryFile("7edo"), libraryFile("5edo"),
                           libraryFile("22edo")}
            << "7edo - Quillmere";
    }

    void commandLineArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, title);
        WindowHarness harness;
        applyCommandLine(harness.window, arguments);
        QCOMPARE(shownTitle(harness.window), title);
        QCOMPARE(harness.combo->currentText(), title.section(' ', 0, 0));
    }

    void saveWritesTheWholeSpace() {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("copy.qmx");
        QVERIFY(QFile::copy(libraryFile("12edo"), path));
        const SizePattern original = readPattern(path);
        QCOMPARE(original.size(), std::size_t(12));
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        QCOMPARE(harness.range->value(), 13);
        QVERIFY(harness.model->setData(harness.model->index(0, 1), "1.1"));

        harness.saveButton->click();
        QCOMPARE(harness.window.statusBar()->currentMessage(),
                 "Saved " + QDir::toNativeSeparators(path));

        const SizePattern expected = harness.shownPattern(12);
        QUILLMERE_COMPARE_CLOSE(expected[0][0], 1.1L);
        QUILLMERE_COMPARE_PATTERN(readPattern(path), expected);
    }

    void saveWritesTheSelectedNotes() {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("copy.qmx");
        QVERIFY(QFile::copy(libraryFile("12edo"), path));
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        harness.window.selectNotes({1, 4}, true);

        harness.saveButton->click();

        QUILLMERE_COMPARE_PATTERN(readPattern(path), (SizePattern{{6.0L / 5}}));
        // The window goes on showing every note.
        QCOMPARE(harness.noteCount(), 12);
        QCOMPARE(harness.range->value(), 13);
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 2, 5"));
    }

    // Save writes a new file and renames it over the old one: nothing of the old file runs
    // (a trigger that refuses or rewrites rows), and a staging file left by a killed save
    // changes nothing of the file.
    void saveRunsNothingOfTheOldFile_data() {
        QTest::addColumn<QString>("schema");
        QTest::newRow("trigger refuses rows")
            << "CREATE TRIGGER refuse BEFORE INSERT ON matrix BEGIN SELECT RAISE(ABORT, 'no'); END";
        QTest::newRow("trigger rewrites rows") << "CREATE TRIGGER zero AFTER INSERT ON matrix "
                                                  "BEGIN UPDATE matrix SET value = '0'; END";
        QTest::newRow("killed save left its staging file") << "";
    }

    void saveRunsNothingOfTheOldFile() {
        QFETCH(QString, schema);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("kept.qmx");
        QVERIFY(writePattern(path, fourNotes()));
        if (schema.isEmpty()) {
            QVERIFY(writeBytes(QDir(folder.path()).filePath(".kept.qmx.abc123.part"),
                               QByteArray("half a file")));
            QUILLMERE_COMPARE_PATTERN(readPattern(path), fourNotes());
            return;
        }
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        {
            RawFile raw(path);
            QVERIFY(raw.exec(schema));
        }
        QVERIFY(harness.model->setData(harness.model->index(0, 1), "1.1"));
        harness.saveButton->click();
        QVERIFY(harness.window.statusBar()->currentMessage().startsWith("Saved "));
        QUILLMERE_COMPARE_PATTERN(readPattern(path), harness.shownPattern(4));
        const QStringList names = RawFile(path).schema();
        QVERIFY(!names.contains("refuse") && !names.contains("zero"));
    }

    // A save that fails keeps the file as it was and says so in the status bar.
    void failedSaveKeepsTheFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no database any more") << "not a database";
        QTest::newRow("a single note selected") << "one note";
    }

    void failedSaveKeepsTheFile() {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("kept.qmx");
        QVERIFY(writePattern(path, fourNotes()));
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        if (kind == "refuses") {
            RawFile raw(path);
            QVERIFY(raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON matrix "
                             "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        } else if (kind == "not a database") {
            QVERIFY(writeBytes(path, QByteArray("no scale space here\n").repeated(64)));
        } else {
            harness.window.selectNotes({2}, true);
        }
        const QByteArray bytesBefore = contents(path);

        harness.saveButton->click();

        QCOMPARE(contents(path), bytesBefore);
        if (kind != "not a database") {
            QUILLMERE_COMPARE_PATTERN(readPattern(path), fourNotes());
        }
        const QString message = harness.window.statusBar()->currentMessage();
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY(!message.contains('\n'));
    }

    void saveAs_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("throughSave");
        QTest::newRow("elsewhere") << "temp"
                                   << "out.qmx"
                                   << "out.qmx" << false;
        QTest::newRow("no suffix typed") << "temp"
                                         << "plain"
                                         << "plain.qmx" << false;
        QTest::newRow("several dots") << "temp"
                                      << "a.b.qmx"
                                      << "a.b.qmx" << false;
        QTest::newRow("Save while a library file is shown") << "temp"
                                                            << "viasave.qmx"
                                                            << "viasave.qmx" << true;
        QTest::newRow("into the library") << "library"
                                          << "mine.qmx"
                                          << "mine.qmx" << false;
    }

    void saveAs() {
        QFETCH(QString, folder);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(bool, throughSave);
        QTemporaryDir scratch;
        const QDir target(folder == "library" ? pitchSpacesPath : scratch.path());
        const QString path = target.filePath(written);
        WindowHarness harness;
        harness.window.selectNotes({0, 4, 7}, true);
        const QSignalSpy urls(&harness.window, &MainWindow::currentUrlChanged);
        {
            const DialogAnswer answer(target.filePath(typed));
            if (throughSave) {
                harness.window.handleSaveSubScaleSpace();
            } else {
                harness.saveAsButton->click();
            }
            QCOMPARE(answer.dialogs, 1);
            QCOMPARE(answer.failures, 0);
            QCOMPARE(answer.caption, QStringLiteral("Save File"));
            QCOMPARE(answer.filters, QStringList{"Scale Spaces (*.qmx)"});
            QCOMPARE(answer.suffix, QStringLiteral("qmx"));
            QCOMPARE(answer.mode, QFileDialog::AcceptSave);
            QCOMPARE(answer.directory, QDir::currentPath());
        }
        QUILLMERE_COMPARE_PATTERN(readPattern(path),
                                  (SizePattern{{5.0L / 4, 3.0L / 2}, {6.0L / 5}}));
        // The window shows the scale space just saved, as the current file: two notes, the
        // last note saved being the repetition of the first.
        QCOMPARE(harness.noteCount(3.0L / 2), 2);
        QCOMPARE(harness.range->value(), 3);
        QCOMPARE(shownTitle(harness.window),
                 QFileInfo(written).baseName() + QStringLiteral(" - Quillmere"));
        QCOMPARE(harness.combo->currentText(), customEntry);
        QCOMPARE(harness.selection(), QString());
        QCOMPARE(urls.count(), 1);
        QCOMPARE(urls.at(0).at(0).toUrl(), QUrl::fromLocalFile(path));
        QCOMPARE(harness.saveButton->isEnabled(), folder != "library");

        if (folder != "library") {
            // "Save" writes into the very file just written.
            QVERIFY(harness.model->setData(harness.model->index(0, 1), "1.1"));
            harness.saveButton->click();
            const SizePattern edited = harness.shownPattern(2);
            QUILLMERE_COMPARE_CLOSE(edited[0][0], 1.1L);
            QUILLMERE_COMPARE_PATTERN(readPattern(path), edited);
            QCOMPARE(target.entryList(QDir::Files), QStringList{written});
        }
    }

    void saveAsCancelledChangesNothing() {
        WindowHarness harness;
        const Shown before(harness);
        const QStringList files = QDir(temp.path()).entryList(QDir::Files);
        {
            const DialogAnswer answer;
            harness.saveAsButton->click();
            QCOMPARE(answer.dialogs, 1);
            QCOMPARE(answer.failures, 0);
        }
        QCOMPARE(Shown(harness), before);
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files), files);
        QCOMPARE(harness.window.statusBar()->currentMessage(), QString());
    }

    // A failed "Save As" leaves an existing file as it was and no new file behind.
    void failedSaveAs_data() {
        QTest::addColumn<bool>("existing");
        QTest::newRow("onto a file that is no scale space") << true;
        QTest::newRow("a single note to a new file") << false;
    }

    void failedSaveAs() {
        QFETCH(bool, existing);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("target.qmx");
        const QByteArray junk = QByteArray("no scale space here\n").repeated(64);
        if (existing) {
            QVERIFY(writeBytes(path, junk));
        }
        WindowHarness harness;
        if (!existing) {
            harness.window.selectNotes({3}, true);
        }
        const Shown before(harness);
        {
            const DialogAnswer answer(path);
            harness.saveAsButton->click();
            QCOMPARE(answer.dialogs, 1);
            QCOMPARE(answer.failures, 0);
        }
        QCOMPARE(Shown(harness), before);
        if (existing) {
            QCOMPARE(contents(path), junk);
        } else {
            QVERIFY(!QFileInfo::exists(path));
        }
        QVERIFY(
            harness.window.statusBar()->currentMessage().contains(QDir::toNativeSeparators(path)));
    }

    // A scale space of one note from a file can never be emptied.
    void oneNoteSpaceKeepsItsNote() {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("one.qmx");
        QVERIFY(writePattern(path, {{2.0L}}));
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        QCOMPARE(harness.noteCount(), 1);
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            QVERIFY(!harness.deleteEnabled(orientation));
        }
        harness.window.handleDeleteNote(0);
        QCOMPARE(harness.noteCount(), 1);

        harness.window.changeScaleSpace(libraryFile("5edo"));
        QCOMPARE(harness.noteCount(), 5);
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            QVERIFY(harness.deleteEnabled(orientation));
        }
    }

private:
    QTemporaryDir temp;
};

QTEST_MAIN(TestWindowFiles)
#include "tst_window_files.moc"
