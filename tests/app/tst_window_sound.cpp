#include "app/menus/windowmenus.h"
#include "app/sound/tuningplayer.h"
#include "tests/app/windowharness.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

class TestWindowSound : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    void actionsFollowTheTuningMenusSeparator_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QKeySequence>("key");
        // A real shortcut fires wherever the focus is; the single keys are left to the key
        // filter so that a focused text field keeps them.
        QTest::addColumn<bool>("realShortcut");
        QTest::newRow("Play Tuning") << "actionPlayTuning"
                                     << "Play Tuning" << QKeySequence(Qt::CTRL | Qt::Key_P) << true;
        QTest::newRow("Play Interval") << "actionPlayInterval"
                                       << "Play Interval" << QKeySequence(Qt::Key_P) << false;
        QTest::newRow("Stop Sound") << "actionStopSound"
                                    << "Stop Sound" << QKeySequence(Qt::Key_Escape) << false;
    }

    void actionsFollowTheTuningMenusSeparator() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QKeySequence, key);
        QFETCH(bool, realShortcut);
        WindowHarness harness;
        QMenu* menu = harness.window.windowMenus()->menu(QStringLiteral("menuTuning"));
        QVERIFY(menu != nullptr);
        QAction* action = harness.window.windowMenus()->action(name);
        QVERIFY(action != nullptr);
        QCOMPARE(action->text().remove('&'), text);
        QCOMPARE(action->shortcut(), key);
        QCOMPARE(action->shortcutContext() != Qt::WidgetShortcut, realShortcut);

        const QList<QAction*> actions = menu->actions();
        const qsizetype play = actions.indexOf(
            harness.window.windowMenus()->action(QStringLiteral("actionPlayTuning")));
        QVERIFY(play > 0);
        QVERIFY(actions.at(play - 1)->isSeparator());
        QCOMPARE(actions.mid(play).indexOf(action),
                 QStringList({"actionPlayTuning", "actionPlayInterval", "actionStopSound"})
                     .indexOf(name));
    }

    void playActionsFollowOutputAndTuning() {
        WindowHarness harness;
        MainWindow& window = harness.window;
        auto* player = window.findChild<TuningPlayer*>(QStringLiteral("tuningPlayer"));
        QVERIFY(player != nullptr);
        QAction* playTuning = window.windowMenus()->action(QStringLiteral("actionPlayTuning"));
        QAction* playInterval = window.windowMenus()->action(QStringLiteral("actionPlayInterval"));
        QAction* stopSound = window.windowMenus()->action(QStringLiteral("actionStopSound"));
        const bool output = player->isAvailable();

        QVERIFY(window.getTuning().empty());
        QVERIFY(!playTuning->isEnabled());
        // Enabled without an output too: choosing it says why nothing sounds.
        QVERIFY(playInterval->isEnabled());
        QVERIFY(!stopSound->isEnabled());
        if (output) {
            QCOMPARE(playTuning->toolTip(), QStringLiteral("Make a tuning to play it."));
        } else {
            QVERIFY(!player->unavailableReason().isEmpty());
            QCOMPARE(playTuning->toolTip(), player->unavailableReason());
            QCOMPARE(playInterval->toolTip(), player->unavailableReason());
        }

        QSignalSpy made(&window, &MainWindow::tuningChanged);
        harness.range->setValue(4);
        window.findChild<QPushButton*>(QStringLiteral("makeButton"))->click();
        QVERIFY(made.wait(60000));
        QVERIFY(!window.getTuning().empty());
        QVERIFY(playTuning->isEnabled());
        QCOMPARE(playTuning->toolTip(),
                 output ? playTuning->text().remove('&') : player->unavailableReason());

        // Without an output the keys and the actions wait for nothing and say why.
        QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
        playTuning->trigger();
        if (!output) {
            QCOMPARE(window.statusBar()->currentMessage(), player->unavailableReason());
        }
        playInterval->trigger();
        QCOMPARE(player->isPlaying(), output);
        QCOMPARE(stopSound->isEnabled(), output);
        stopSound->trigger();
        QVERIFY(!player->isPlaying());
        QVERIFY(!stopSound->isEnabled());
    }
};

QTEST_MAIN(TestWindowSound)
#include "tst_window_sound.moc"
