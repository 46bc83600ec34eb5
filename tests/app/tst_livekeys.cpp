#include "app/live/livekeys.h"
#include "tests/common/jackserver.h"
#include "tests/common/midipeer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QTest>

using Message = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Message)

class TestLiveKeys : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!testing::JackServer::installed()) {
            QSKIP("jackd is not installed (Debian package jackd2)");
        }
        serverProblem = server.start(testing::JackServer::uniqueName(QStringLiteral("live")));
        QVERIFY2(serverProblem.isEmpty(), qPrintable(serverProblem));
    }

    void portsOpenSendAndPassThrough_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<Message>("played"); // sent into the input; empty for none
        QTest::addColumn<Message>("sent");   // sent on the output by send(); empty for none
        QTest::addColumn<Message>("heard");  // what the synthesizer's port must receive
        QTest::addColumn<int>("messages");   // status lines expected
        const Message noteOn{0x90, 60, 100};
        const Message dump{0xF0, 0x7E, 0x7F, 0x08, 0x01, 0x00, 0x41, 0xF7};
        QTest::newRow("thru") << "Keyboard:out"
                              << "Synth:in" << noteOn << Message{} << noteOn << 0;
        QTest::newRow("a dump sent") << ""
                                     << "Synth:in" << Message{} << dump << dump << 0;
        QTest::newRow("no output: nothing passes, sending says why")
            << "Keyboard:out"
            << "" << noteOn << dump << Message{} << 1;
        QTest::newRow("a port that is not there says why")
            << "Nowhere:out"
            << "Synth:in" << noteOn << Message{} << Message{} << 1;
    }

    void portsOpenSendAndPassThrough() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(Message, played);
        QFETCH(Message, sent);
        QFETCH(Message, heard);
        QFETCH(int, messages);
        testing::MidiPeer peer("Synth", "Keyboard");
        live::LiveKeys keys;
        // Nothing plays here: no audio output is asked for unless a key sounds.
        QSignalSpy status(&keys, &live::LiveKeys::statusMessage);
        keys.openOutput(output);
        keys.openInput(input);
        QCOMPARE(keys.outputPort(), output);
        QCOMPARE(keys.inputPort(), input == "Nowhere:out" ? QString() : input);
        if (!played.empty()) {
            peer.send(played);
        }
        if (!sent.empty()) {
            keys.send(
                QByteArray(reinterpret_cast<const char*>(sent.data()), qsizetype(sent.size())));
        }
        if (!heard.empty()) {
            QVERIFY(testing::waitFor([&] { return !peer.messages().empty(); }));
            QCOMPARE(testing::hex(peer.messages().front()), testing::hex(heard));
        } else {
            QTest::qWait(200);
            QVERIFY(peer.messages().empty());
        }
        // A note that arrived asks for the audio output, which may say there is none.
        QTest::qWait(50);
        const bool silentMachine = QMediaDevices::defaultAudioOutput().isNull();
        const bool noteArrived = !played.empty() && !keys.inputPort().isEmpty();
        QCOMPARE(status.size(), messages + (noteArrived && silentMachine ? 1 : 0));
    }

    void reopensOnlyPortsThatAreThere_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("both there") << "Keyboard:out"
                                    << "Synth:in";
        QTest::newRow("the input gone") << "Gone:out"
                                        << "Synth:in";
        QTest::newRow("both gone") << "Gone:out"
                                   << "Gone:in";
        QTest::newRow("none remembered") << ""
                                         << "";
    }

    void reopensOnlyPortsThatAreThere() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        testing::MidiPeer peer("Synth", "Keyboard");
        live::LiveKeys keys;
        QSignalSpy status(&keys, &live::LiveKeys::statusMessage);
        keys.reopen(input, output);
        QCOMPARE(keys.inputPort(), input.startsWith("Gone") ? QString() : input);
        QCOMPARE(keys.outputPort(), output.startsWith("Gone") ? QString() : output);
        QCOMPARE(status.size(), 0);
    }

private:
    testing::JackServer server;
    QString serverProblem;
};

QTEST_GUILESS_MAIN(TestLiveKeys)
#include "tst_livekeys.moc"
