#include "app/tune/tunecommand.h"
#include "storage/dbmanager.h"
#include "tests/common/jackserver.h"
#include "tests/common/midipeer.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTest>

namespace {

struct Result {
    int status;
    QByteArray out;
    QString err;
};

// quillmere-tune in-process; the standard output is a device, as binary output needs.
Result runTune(const QStringList& arguments) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    std::atomic<bool> cancelationRequest{false};
    const int status = tune::run(arguments, outStream, errStream, cancelationRequest, false, false);
    outStream.flush();
    errStream.flush();
    return {status, out.data(), err};
}

std::vector<unsigned char> bytesOf(const QByteArray& bytes) {
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

} // namespace

class TestTuneMidi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        dbManager::initialise();
    }

    // Before any server: the same calls say so at once.
    void withoutServerNoPortMatches_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("listing") << QStringList{"--list-midi-ports"} << 0 << "no MIDI output ports";
        QTest::newRow("sending") << QStringList{"12edo", "--send-midi", "Synth"} << 1
                                 << "there are no MIDI output ports";
    }

    void withoutServerNoPortMatches() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        testing::JackServer::useServer(testing::JackServer::uniqueName(QStringLiteral("none")));
        QElapsedTimer timer;
        timer.start();
        const Result result = runTune(arguments);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(result.status, status);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY(result.out.isEmpty());
    }

    void sendsExactlyTheBulkDump_data() {
        QTest::addColumn<QStringList>("tuning");
        QTest::addColumn<QString>("name");
        QTest::newRow("12edo, defaults") << QStringList{"12edo"} << "Synth";
        QTest::newRow(
            "notes 1,3,5-8 of 12edo on key 57 at 220 Hz, by a fragment of the name in any case")
            << QStringList{"12edo",   "--notes",
                           "1,3,5-8", "--fixed",
                           "8",       "--dial",
                           "700",     "--reference-key",
                           "57",      "--reference-frequency",
                           "220"}
            << "ynth:I";
        QTest::newRow("5edo at the dial's end")
            << QStringList{"5edo", "--dial", "1000"} << "synth:in";
    }

    void sendsExactlyTheBulkDump() {
        QFETCH(QStringList, tuning);
        QFETCH(QString, name);
        if (!startServer()) {
            QVERIFY2(!testing::JackServer::installed(), qPrintable(jack.problem()));
            QSKIP("jackd is not installed (Debian package jackd2)");
        }
        const Result file = runTune(tuning + QStringList{"--format", "syx"});
        QCOMPARE(file.status, 0);
        QCOMPARE(file.out.size(), 408);

        testing::MidiPeer peer("Synth", "Keyboard");
        const Result sent = runTune(tuning + QStringList{"--send-midi", name});
        QVERIFY2(sent.status == 0, qPrintable(sent.err));
        QVERIFY2(sent.out.contains("\"Synth:in\""), sent.out.constData());
        QVERIFY(testing::waitFor([&] { return !peer.messages().empty(); }));
        QCOMPARE(peer.messages().size(), std::size_t(1));
        QCOMPARE(testing::hex(peer.messages().front()), testing::hex(bytesOf(file.out)));
    }

    void listsAndRefusesByName_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("the ports, one a line")
            << QStringList{"--list-midi-ports"} << 0 << "Synth:in\n"
            << "";
        QTest::newRow("a name no port has")
            << QStringList{"12edo", "--send-midi", "Piano"} << 1 << ""
            << "no MIDI output port's name contains \"Piano\" (see --list-midi-ports)";
        QTest::newRow("the sending port is no output")
            << QStringList{"12edo", "--send-midi", "Keyboard"} << 1 << ""
            << "\"Keyboard\"";
        QTest::newRow("without a name") << QStringList{"12edo", "--send-midi"} << 2 << ""
                                        << "--send-midi needs the name of a port";
        QTest::newRow("with another format")
            << QStringList{"12edo", "--send-midi", "Synth", "--format", "tun"} << 2 << ""
            << "takes no --output and no --format";
    }

    void listsAndRefusesByName() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        if (!startServer()) {
            QVERIFY2(!testing::JackServer::installed(), qPrintable(jack.problem()));
            QSKIP("jackd is not installed (Debian package jackd2)");
        }
        testing::MidiPeer peer("Synth", "Keyboard");
        const Result result = runTune(arguments);
        QCOMPARE(result.status, status);
        QCOMPARE(QString::fromUtf8(result.out), out);
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
        QTest::qWait(50);
        QVERIFY(peer.messages().empty());
    }

private:
    // One server for the whole run, started by the first test that needs it.
    testing::OnDemandServer jack{QStringLiteral("tune")};
    bool startServer() { return jack.start(); }
};

QTEST_GUILESS_MAIN(TestTuneMidi)
#include "tst_tune_midi.moc"
