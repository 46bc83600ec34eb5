// Playing live in the window: the MIDI menus list the ports there are (or say there are
// none), and Send Tuning delivers the bytes that --format syx writes.

#include "app/menus/windowmenus.h"
#include "app/playing/liveplaying.h"
#include "app/tune/tunecommand.h"
#include "tests/app/windowharness.h"
#include "tests/common/jackserver.h"
#include "tests/common/midipeer.h"

#include <QMenu>
#include <QTest>

namespace {

QStringList entries(QMenu* menu) {
    emit menu->aboutToShow();
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text();
    }
    return texts;
}

} // namespace

class TestWindowMidi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    // Without a server the menus say so at once; with one, a port of another program is
    // listed among the outputs and the tuning sent to it is the bulk dump of the tuning shown.
    void portsAndSending_data() {
        QTest::addColumn<bool>("server");
        QTest::newRow("no MIDI system") << false;
        QTest::newRow("a JACK server") << true;
    }

    void portsAndSending() {
        QFETCH(bool, server);
        testing::JackServer jack;
        if (server) {
            if (!testing::JackServer::installed()) {
                QSKIP("jackd is not installed (Debian package jackd2)");
            }
            const QString problem = jack.start(testing::JackServer::uniqueName("window"));
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        } else {
            testing::JackServer::useServer(testing::JackServer::uniqueName("none"));
        }
        WindowHarness harness;
        QVERIFY(harness.exposed);
        QMenu* outputs =
            harness.window.windowMenus()->menu("menuTuning")->findChild<QMenu*>("menuMidiOutput");
        QVERIFY(outputs != nullptr);
        if (!server) {
            QElapsedTimer listed;
            listed.start();
            QCOMPARE(entries(outputs), (QStringList{"No MIDI ports", "None"}));
            QVERIFY(listed.elapsed() < 500);
            return;
        }
        testing::MidiPeer peer("Synth", "Keyboard");
        QVERIFY(entries(outputs).contains("Synth:in"));
        for (QAction* entry : outputs->actions()) {
            if (entry->text() == "Synth:in") {
                entry->trigger();
            }
        }
        harness.window.findChild<QPushButton*>("makeButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!harness.window.getTuning().empty(), 20000);
        auto* playing = harness.window.findChild<LivePlaying*>();
        QVERIFY(playing->sendTuning());
        QVERIFY(testing::waitFor([&] { return !peer.messages().empty(); }));

        // The same tuning by quillmere-tune: 12edo as the window starts, key 60 at middle C.
        QString syx;
        QString errors;
        QTextStream out(&syx);
        QTextStream err(&errors);
        std::atomic<bool> cancel{false};
        QCOMPARE(tune::run({"12edo", "--format", "syx"}, out, err, cancel, false), 0);
        out.flush();
        const QByteArray bytes = syx.toLatin1();
        const std::vector<unsigned char> expected(bytes.begin(), bytes.end());
        QCOMPARE(testing::hex(peer.messages().front()), testing::hex(expected));
    }
};

QTEST_MAIN(TestWindowMidi)
#include "tst_window_midi.moc"
