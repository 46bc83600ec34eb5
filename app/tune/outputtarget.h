#pragma once

// Where the command line's output may go. A file is replaced whole, and never one that is its
// own input or a node that is not a file; a FIFO or a terminal is written as a stream.

#include <QByteArray>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace tune {

enum class OutputKind {
    RegularFile, // replaced whole, or created
    Stream,      // a FIFO or character device: written in place, never replaced
    Refused,     // its own input, a directory, a block device or a socket
};

struct OutputTarget {
    OutputKind kind = OutputKind::RegularFile;
    QString problem; // why it is refused
};

// What writing to the output means, given the file that is read (empty for none).
OutputTarget classifyOutput(const QString& output, const QString& input);
// Writes the bytes into a FIFO or character device; the problem, if any.
std::optional<QString> writeStream(const QString& path, const QByteArray& bytes);
// Flushes the standard output's text stream and the C stream beneath it; the problem, if
// writing failed (a full disk, a closed pipe).
std::optional<QString> flushStandardOutput(QTextStream& out);

} // namespace tune
