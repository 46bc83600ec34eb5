#include "app/tune/outputtarget.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tune {

namespace {

// Links resolved: the same file also through a symbolic or a hard link.
bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

} // namespace

OutputTarget classifyOutput(const QString& output, const QString& input) {
    struct stat target {};
    if (::stat(QFile::encodeName(output).constData(), &target) != 0) {
        return {}; // a new file
    }
    struct stat source {};
    if (!input.isEmpty() && ::stat(QFile::encodeName(input).constData(), &source) == 0 &&
        sameFile(source, target)) {
        return {OutputKind::Refused,
                QStringLiteral("'%1' is the file being read: choose another output").arg(output)};
    }
    if (S_ISREG(target.st_mode)) {
        return {};
    }
    if (S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode)) {
        return {OutputKind::Stream, QString()};
    }
    return {OutputKind::Refused,
            QStringLiteral("'%1' is not a file that can be written").arg(output)};
}

std::optional<QString> writeStream(const QString& path, const QByteArray& bytes) {
    QFile stream(path);
    if (!stream.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        stream.write(bytes) != bytes.size()) {
        return QStringLiteral("cannot write '%1': %2").arg(path, stream.errorString());
    }
    return std::nullopt;
}

std::optional<QString> flushStandardOutput(QTextStream& out) {
    out.flush();
    // Bytes written to the device directly (binary formats) wait in its own buffer.
    auto* file = qobject_cast<QFileDevice*>(out.device());
    if (file != nullptr && (!file->flush() || file->error() != QFileDevice::NoError)) {
        return QStringLiteral("cannot write to the standard output: %1").arg(file->errorString());
    }
    errno = 0;
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        const int error = errno != 0 ? errno : EIO;
        return QStringLiteral("cannot write to the standard output: %1")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
    return std::nullopt;
}

} // namespace tune
