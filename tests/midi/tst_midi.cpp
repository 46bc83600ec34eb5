#include "midi/midi.h"
#include "tests/common/jackserver.h"
#include "tests/common/midipeer.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>

using Message = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Message)

class TestMidi : public QObject {
    Q_OBJECT

private slots:
    // Runs before a server is started: no JACK server (the name is this process's own) and no
    // ALSA sequencer on the machines the tests run on.
    void withoutServerThereAreNoPortsAtOnce_data() {
        QTest::addColumn<int>("call");
        QTest::newRow("output ports") << 0;
        QTest::newRow("input ports") << 1;
        QTest::newRow("opening an output") << 2;
        QTest::newRow("opening an input") << 3;
    }

    void withoutServerThereAreNoPortsAtOnce() {
        QFETCH(int, call);
        testing::JackServer::useServer(testing::JackServer::uniqueName(QStringLiteral("none")));
        if (midi::currentSystem() == midi::System::Alsa) {
            QSKIP("this machine has an ALSA sequencer, whose ports are real");
        }
        QElapsedTimer timer;
        timer.start();
        midi::Output output;
        midi::Input input;
        switch (call) {
        case 0:
            QVERIFY(midi::outputPorts().empty());
            break;
        case 1:
            QVERIFY(midi::inputPorts().empty());
            break;
        case 2:
            QVERIFY(!output.open("Synth:in"));
            QVERIFY(!output.problem().empty());
            QVERIFY(!output.send({0x90, 60, 100}));
            break;
        default:
            QVERIFY(!input.open("Keyboard:out", [](const midi::Event&) {}));
            QVERIFY(!input.problem().empty());
            break;
        }
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
    }

    void decodesNotesAndThePedal_data() {
        QTest::addColumn<Message>("message");
        QTest::addColumn<int>("kind"); // -1: no event
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("velocity");
        QTest::addColumn<bool>("held");
        using K = midi::Event::Kind;
        QTest::newRow("note-on") << Message{0x90, 60, 100} << int(K::NoteOn) << 60 << 100 << false;
        QTest::newRow("note-on, channel 16")
            << Message{0x9F, 127, 1} << int(K::NoteOn) << 127 << 1 << false;
        QTest::newRow("note-on at velocity 0 is a note-off")
            << Message{0x90, 61, 0} << int(K::NoteOff) << 61 << 0 << false;
        QTest::newRow("note-off") << Message{0x83, 0, 64} << int(K::NoteOff) << 0 << 64 << false;
        QTest::newRow("pedal down")
            << Message{0xB0, 64, 127} << int(K::Sustain) << 64 << 127 << true;
        QTest::newRow("pedal at 64 is down")
            << Message{0xB2, 64, 64} << int(K::Sustain) << 64 << 64 << true;
        QTest::newRow("pedal at 63 is up")
            << Message{0xB0, 64, 63} << int(K::Sustain) << 64 << 63 << false;
        QTest::newRow("another controller") << Message{0xB0, 7, 100} << -1 << 0 << 0 << false;
        QTest::newRow("program change") << Message{0xC0, 5} << -1 << 0 << 0 << false;
        QTest::newRow("aftertouch") << Message{0xA0, 60, 5} << -1 << 0 << 0 << false;
    }

    void decodesNotesAndThePedal() {
        QFETCH(Message, message);
        QFETCH(int, kind);
        QFETCH(int, key);
        QFETCH(int, velocity);
        QFETCH(bool, held);
        const std::optional<midi::Event> event = midi::decode(message.data(), message.size());
        QCOMPARE(event.has_value(), kind >= 0);
        if (event) {
            QCOMPARE(int(event->kind), kind);
            QCOMPARE(event->key, key);
            QCOMPARE(event->velocity, velocity);
            QCOMPARE(event->held, held);
        }
    }

    void findsThePortByPartOfItsName_data() {
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("found"); // empty: none
        QTest::newRow("exact") << "synth:midi_in"
                               << "synth:midi_in";
        QTest::newRow("a fragment, any case") << "SYNTH"
                                              << "synth:midi_in";
        QTest::newRow("the first that matches") << "in"
                                                << "synth:midi_in";
        QTest::newRow("a later one") << "hardware"
                                     << "Hardware Port:in 1";
        QTest::newRow("none") << "piano"
                              << "";
    }

    void findsThePortByPartOfItsName() {
        QFETCH(QString, fragment);
        QFETCH(QString, found);
        const std::optional<std::string> port =
            midi::findPort({"synth:midi_in", "Hardware Port:in 1"}, fragment.toStdString());
        QCOMPARE(port.value_or(std::string()), found.toStdString());
    }

    void seesPortsAndPassesNotesThrough_data() {
        QTest::addColumn<Message>("message");
        QTest::addColumn<bool>("passed");
        QTest::newRow("note-on") << Message{0x90, 69, 90} << true;
        QTest::newRow("note-off") << Message{0x80, 69, 0} << true;
        QTest::newRow("sustain pedal") << Message{0xB0, 64, 127} << true;
        QTest::newRow("volume is not a note") << Message{0xB0, 7, 100} << false;
    }

    void seesPortsAndPassesNotesThrough() {
        QFETCH(Message, message);
        QFETCH(bool, passed);
        if (!testing::JackServer::installed()) {
            QSKIP("jackd is not installed (Debian package jackd2)");
        }
        QVERIFY2(startServer(), qPrintable(jack.problem()));
        testing::MidiPeer peer("Synth", "Keyboard");
        const std::vector<std::string> outputs = midi::outputPorts();
        const std::vector<std::string> inputs = midi::inputPorts();
        QVERIFY(std::count(outputs.begin(), outputs.end(), "Synth:in") == 1);
        QVERIFY(std::count(inputs.begin(), inputs.end(), "Keyboard:out") == 1);

        midi::Output output;
        midi::Input input;
        std::vector<midi::Event> events;
        std::mutex lock;
        QVERIFY2(output.open("Synth:in"), output.problem().c_str());
        QVERIFY2(input.open("Keyboard:out",
                            [&](const midi::Event& event) {
                                const std::lock_guard<std::mutex> guard(lock);
                                events.push_back(event);
                            }),
                 input.problem().c_str());
        input.setThru(&output);
        // Quillmere's own ports are not offered back to it.
        for (const std::string& port : midi::outputPorts()) {
            QVERIFY2(port.rfind("Quillmere", 0) != 0, port.c_str());
        }
        peer.send(message);
        const auto eventCount = [&] {
            const std::lock_guard<std::mutex> guard(lock);
            return events.size();
        };
        QVERIFY(testing::waitFor([&] { return !passed || !peer.messages().empty(); }));
        QVERIFY(testing::waitFor([&] { return !passed || eventCount() == 1; }));
        // A message that is not passed on has had the time a passed one takes.
        QTest::qWait(passed ? 0 : 200);
        const std::vector<Message> got = peer.messages();
        QCOMPARE(got.size(), std::size_t(passed ? 1 : 0));
        QCOMPARE(eventCount(), std::size_t(passed ? 1 : 0));
        if (passed) {
            QCOMPARE(testing::hex(got.front()), testing::hex(message));
        }
        input.close();
        output.close();
    }

private:
    // One server for the whole run, started by the first test that needs it.
    testing::OnDemandServer jack{QStringLiteral("midi")};
    bool startServer() { return jack.start(); }
};

QTEST_GUILESS_MAIN(TestMidi)
#include "tst_midi.moc"
