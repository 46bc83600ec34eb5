#include "app/keyboard/keyboardpanel.h"

#include <QKeyEvent>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using Tuning = std::vector<long double>;
using Notes = std::vector<int>;
Q_DECLARE_METATYPE(Tuning)
Q_DECLARE_METATYPE(Notes)

namespace {

Tuning equal(const int& steps) {
    Tuning tuning;
    for (int i = 0; i <= steps; ++i) {
        tuning.push_back(std::exp2(static_cast<long double>(i) / steps));
    }
    return tuning;
}

// Stands for the window's key filter on the application, which takes single letters.
class LetterTaker : public QObject {
public:
    int taken = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Z) {
            ++taken;
            return true;
        }
        return false;
    }
};

QList<QPushButton*> keysOf(KeyboardPanel& panel) {
    return panel.widget()->findChildren<QPushButton*>();
}

} // namespace

class TestKeyboardPanel : public QObject {
    Q_OBJECT

private slots:
    void saysWhyBeforeATuning_data() {
        QTest::addColumn<Tuning>("tuning");
        QTest::addColumn<QString>("reason");
        QTest::newRow("none made yet") << Tuning{} << "press \"Make\"";
        QTest::newRow("one note has no period") << Tuning{1} << "no period";
        QTest::newRow("a period below the first note")
            << Tuning{1, 0.5L} << "the period is not above the first note";
    }

    void saysWhyBeforeATuning() {
        QFETCH(Tuning, tuning);
        QFETCH(QString, reason);
        KeyboardPanel panel;
        panel.setTuning(equal(12), {}, {});
        QVERIFY(panel.reason().isEmpty());
        if (tuning.empty()) {
            panel.clearTuning();
        } else {
            panel.setTuning(tuning, {}, {});
        }
        QVERIFY2(panel.reason().contains(reason), qPrintable(panel.reason()));
        QCOMPARE(panel.keyCount(), 0);
        QVERIFY(keysOf(panel).isEmpty());
    }

    void laysOutTwoPeriodsOfTheTuning_data() {
        QTest::addColumn<Tuning>("tuning");
        QTest::addColumn<Notes>("notes");
        QTest::addColumn<int>("referenceKey");
        QTest::addColumn<int>("firstKey");
        // Labels of some keys: index, then the text.
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("12edo from middle C") << equal(12) << Notes{} << 60 << 60
                                             << QStringList{"0",  "1\n0.0¢",    "7",  "8\n700.0¢",
                                                            "12", "1\n1200.0¢", "24", "1\n2400.0¢"};
        QTest::newRow("notes 1, 3, 5 of a table, numbered as the table")
            << Tuning{1, 1.25L, 1.5L, 2} << Notes{1, 3, 5, 8} << 60 << 60
            << QStringList{"1", "3\n386.3¢",  "2", "5\n702.0¢",
                           "4", "3\n1586.3¢", "6", "1\n2400.0¢"};
        QTest::newRow("near the top the keys move down by periods")
            << equal(5) << Notes{} << 125 << 115 << QStringList{"0", "1\n0.0¢", "10", "1\n2400.0¢"};
    }

    void laysOutTwoPeriodsOfTheTuning() {
        QFETCH(Tuning, tuning);
        QFETCH(Notes, notes);
        QFETCH(int, referenceKey);
        QFETCH(int, firstKey);
        QFETCH(QStringList, labels);
        KeyboardPanel panel;
        panel.setTuning(tuning, notes, {referenceKey, 440});
        const int degrees = int(tuning.size()) - 1;
        QCOMPARE(panel.keyCount(), 2 * degrees + 1);
        QCOMPARE(keysOf(panel).size(), 2 * degrees + 1);
        QCOMPARE(panel.midiKey(0), firstKey);
        QVERIFY(panel.reason().isEmpty());
        for (qsizetype i = 0; i < labels.size(); i += 2) {
            QCOMPARE(keysOf(panel).at(labels.at(i).toInt())->text(), labels.at(i + 1));
        }
    }

    void mouseAndLettersPlayKeys_data() {
        QTest::addColumn<int>("button"); // -1: a letter instead
        QTest::addColumn<int>("letter");
        QTest::addColumn<int>("key"); // the MIDI key expected; -1 for none
        QTest::newRow("mouse on the first key") << 0 << 0 << 57;
        QTest::newRow("mouse on the last key") << 14 << 0 << 71;
        QTest::newRow("Z: the lower period's first") << -1 << int(Qt::Key_Z) << 57;
        QTest::newRow("M: the lower row's seventh") << -1 << int(Qt::Key_M) << 63;
        QTest::newRow("Q: the upper period's first") << -1 << int(Qt::Key_Q) << 64;
        QTest::newRow("I: the upper row's eighth, the closing key") << -1 << int(Qt::Key_I) << 71;
        QTest::newRow("O: beyond the keys") << -1 << int(Qt::Key_O) << -1;
        QTest::newRow("A: no playing row") << -1 << int(Qt::Key_A) << -1;
    }

    void mouseAndLettersPlayKeys() {
        QFETCH(int, button);
        QFETCH(int, letter);
        QFETCH(int, key);
        QMainWindow window;
        auto* panel = new KeyboardPanel(&window);
        window.addDockWidget(Qt::BottomDockWidgetArea, panel);
        panel->setTuning(equal(7), {}, {57, 220});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy pressed(panel, &KeyboardPanel::keyPressed);
        QSignalSpy released(panel, &KeyboardPanel::keyReleased);
        QWidget* keyArea = keysOf(*panel).at(0)->parentWidget();
        if (button >= 0) {
            QPushButton* target = keysOf(*panel).at(button);
            QTest::mousePress(target, Qt::LeftButton);
            QCOMPARE(pressed.size(), 1);
            QVERIFY(keyArea->hasFocus());
            QTest::mouseRelease(target, Qt::LeftButton);
        } else {
            keyArea->setFocus();
            QTest::keyPress(keyArea, Qt::Key(letter));
            // Held: the system's repeats strike nothing again.
            QTest::keyEvent(QTest::Press, keyArea, Qt::Key(letter), Qt::NoModifier, -1);
            QTest::keyRelease(keyArea, Qt::Key(letter));
        }
        QCOMPARE(pressed.size(), key < 0 ? 0 : 1);
        QCOMPARE(released.size(), key < 0 ? 0 : 1);
        if (key >= 0) {
            QCOMPARE(pressed.first().at(0).toInt(), key);
            QCOMPARE(pressed.first().at(1).toInt(), 100);
            QCOMPARE(released.first().at(0).toInt(), key);
        }
    }

    void lettersPlayOnlyWithFocusAndNothingHangs() {
        LetterTaker windowKeys;
        qApp->installEventFilter(&windowKeys);
        QMainWindow window;
        auto* panel = new KeyboardPanel(&window);
        auto* elsewhere = new QPushButton(QStringLiteral("other"), &window);
        window.setCentralWidget(elsewhere);
        window.addDockWidget(Qt::BottomDockWidgetArea, panel);
        panel->setTuning(equal(12), {}, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy pressed(panel, &KeyboardPanel::keyPressed);
        QSignalSpy released(panel, &KeyboardPanel::keyReleased);
        elsewhere->setFocus();
        QTest::keyClick(elsewhere, Qt::Key_Z);
        QCOMPARE(pressed.size(), 0);
        QCOMPARE(windowKeys.taken, 1);
        QWidget* keyArea = keysOf(*panel).at(0)->parentWidget();
        keyArea->setFocus();
        QTest::keyPress(keyArea, Qt::Key_Z);
        QTest::keyPress(keyArea, Qt::Key_X);
        QCOMPARE(pressed.size(), 2);
        QCOMPARE(windowKeys.taken, 1);
        // Focus moves on with both keys down: both stop, and the letters are the window's again.
        elsewhere->setFocus();
        QCOMPARE(released.size(), 2);
        QTest::keyClick(elsewhere, Qt::Key_Z);
        QCOMPARE(windowKeys.taken, 2);
        QCOMPARE(pressed.size(), 2);
    }
};

QTEST_MAIN(TestKeyboardPanel)
#include "tst_keyboardpanel.moc"
