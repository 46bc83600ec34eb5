#include "app/tune/midicommand.h"

#include "app/tune/tunecommand.h"
#include "midi/midi.h"

#include <QBuffer>

#include <string>
#include <vector>

namespace tune {

namespace {

const QString listOption = QStringLiteral("--list-midi-ports");
const QString sendOption = QStringLiteral("--send-midi");

struct SendRequest {
    QString port;       // what the port's name must contain
    QStringList others; // the tuning's arguments
    QString error;      // bad usage, in one line
};

// Takes --send-midi NAME (or --send-midi=NAME) out of the arguments.
SendRequest readSendRequest(const QStringList& arguments) {
    SendRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == sendOption) {
            if (i + 1 == arguments.size()) {
                request.error = QStringLiteral("--send-midi needs the name of a port");
                return request;
            }
            request.port = arguments.at(++i);
        } else if (argument.startsWith(sendOption + QLatin1Char('='))) {
            request.port = argument.mid(sendOption.size() + 1);
        } else {
            request.others << argument;
        }
    }
    if (request.port.isEmpty()) {
        request.error = QStringLiteral("--send-midi needs the name of a port");
    }
    for (const QString& argument : request.others) {
        if (argument.startsWith(QStringLiteral("--output")) ||
            argument.startsWith(QStringLiteral("--format"))) {
            request.error = QStringLiteral("--send-midi sends the MIDI tuning dump: it takes no "
                                           "--output and no --format");
        }
    }
    return request;
}

int usageError(QTextStream& err, const QString& message) {
    err << "quillmere-tune: " << message << '\n'
        << "Try 'quillmere-tune --help' for more information.\n";
    return UsageError;
}

int listPorts(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.size() > 1) {
        return usageError(err, QStringLiteral("--list-midi-ports takes no other arguments"));
    }
    const std::vector<std::string> ports = midi::outputPorts();
    if (ports.empty()) {
        err << "quillmere-tune: no MIDI output ports (no JACK server runs and no ALSA "
               "sequencer is there, or no program offers a port)\n";
    }
    for (const std::string& port : ports) {
        out << QString::fromStdString(port) << '\n';
    }
    return Success;
}

int sendTuning(const QStringList& arguments, QTextStream& out, QTextStream& err,
               std::atomic<bool>& cancelationRequest, bool showProgress) {
    const SendRequest request = readSendRequest(arguments);
    if (!request.error.isEmpty()) {
        return usageError(err, request.error);
    }
    // The port is looked for first, so that a wrong name does not wait for a long search.
    const std::vector<std::string> ports = midi::outputPorts();
    const std::optional<std::string> port = midi::findPort(ports, request.port.toStdString());
    if (!port) {
        err << "quillmere-tune: no MIDI output port's name contains \"" << request.port << "\""
            << (ports.empty() ? QStringLiteral(": there are no MIDI output ports")
                              : QStringLiteral(" (see --list-midi-ports)"))
            << '\n';
        return FileError;
    }
    QBuffer dump;
    dump.open(QIODevice::WriteOnly);
    QTextStream dumpStream(&dump);
    const int status =
        run(request.others + QStringList{QStringLiteral("--format"), QStringLiteral("syx")},
            dumpStream, err, cancelationRequest, showProgress);
    dumpStream.flush();
    if (status != Success) {
        return status;
    }
    midi::Output output;
    const QByteArray& bytes = dump.data();
    if (!output.open(*port) ||
        !output.send(std::vector<unsigned char>(bytes.begin(), bytes.end()))) {
        err << "quillmere-tune: sending to \"" << QString::fromStdString(*port)
            << "\" failed: " << QString::fromStdString(output.problem()) << '\n';
        return FileError;
    }
    output.close();
    out << "Sent the MIDI tuning dump (" << bytes.size() << " bytes) to \""
        << QString::fromStdString(*port) << "\"\n";
    return Success;
}

} // namespace

std::optional<int> runMidiCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                                  std::atomic<bool>& cancelationRequest, bool showProgress) {
    if (arguments.contains(listOption)) {
        return listPorts(arguments, out, err);
    }
    for (const QString& argument : arguments) {
        if (argument == sendOption || argument.startsWith(sendOption + QLatin1Char('='))) {
            return sendTuning(arguments, out, err, cancelationRequest, showProgress);
        }
    }
    return std::nullopt;
}

} // namespace tune
