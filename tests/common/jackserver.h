#pragma once

// A JACK server of the test's own, with dummy audio and no real-time scheduling, so that MIDI
// tests run on any machine that has jackd, sound card or not. Its name is unique to the
// process, and this process's JACK clients are pointed at it; it stops with the object, and
// with the test process should that die first.

#include "midi/midi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

namespace testing {

class JackServer {
public:
    // jackd of Debian's jackd2; the tests that need it are skipped without it.
    static bool installed() {
        return !QStandardPaths::findExecutable(QStringLiteral("jackd")).isEmpty();
    }

    // A server name that no server of another test process uses.
    static QString uniqueName(const QString& purpose) {
        return QStringLiteral("quillmere-%1-%2")
            .arg(purpose)
            .arg(QCoreApplication::applicationPid());
    }

    // Points this process's clients at `name`, which may have no server.
    static void useServer(const QString& name) { qputenv("JACK_DEFAULT_SERVER", name.toUtf8()); }

    ~JackServer() { stop(); }

    // Empty once the server takes clients; otherwise what went wrong, with the server's output.
    QString start(const QString& name) {
        useServer(name);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // -r before the driver: no real-time scheduling. A loaded test machine must delay MIDI,
        // not lose it: -S makes each cycle wait for every client, -t gives a slow client (or
        // a slow server's answer to a new client) seconds rather than half of one, and a
        // period of 1024 frames keeps the cycles few.
        process.start(QStringLiteral("jackd"),
                      {QStringLiteral("-n"), name, QStringLiteral("-r"), QStringLiteral("-S"),
                       QStringLiteral("-t"), QStringLiteral("10000"), QStringLiteral("-d"),
                       QStringLiteral("dummy"), QStringLiteral("-p"), QStringLiteral("1024")});
        if (!process.waitForStarted(5000)) {
            return QStringLiteral("jackd did not start: %1").arg(process.errorString());
        }
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (midi::currentSystem() == midi::System::Jack) {
                return QString();
            }
            if (process.state() == QProcess::NotRunning) {
                break;
            }
            QThread::msleep(50);
        }
        return QStringLiteral("jackd -n %1 took no clients: %2")
            .arg(name, QString::fromLocal8Bit(process.readAll()));
    }

    void stop() {
        if (process.state() == QProcess::NotRunning) {
            return;
        }
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

private:
    QProcess process;
};

// A server of the test's own, started when a test first needs it and kept for the rest.
class OnDemandServer {
public:
    explicit OnDemandServer(const QString& purpose) : purpose(purpose) {}

    // False without jackd, or when the server did not start (problem() says why).
    bool start() {
        if (!JackServer::installed()) {
            return false;
        }
        if (!server) {
            server = std::make_unique<JackServer>();
            why = server->start(JackServer::uniqueName(purpose));
        }
        return why.isEmpty();
    }
    QString problem() const { return why; }

private:
    QString purpose;
    std::unique_ptr<JackServer> server;
    QString why;
};

// Waits, without blocking events, until `done` holds or `milliseconds` pass; whether it held.
template <typename Condition> bool waitFor(Condition done, int milliseconds = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

} // namespace testing
