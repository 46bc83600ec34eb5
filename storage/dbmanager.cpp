#include "storage/dbmanager.h"

#include "app/shared/storageconstants.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

// The step sizes of a built-in scale space: entry k - 1 is the size of every interval of k
// steps, the last one the octave. Each is the double nearest its ratio; the irrational steps
// are computed in double with the exponent rounded first, as the files have always held them.
std::vector<std::vector<double>> defaultSteps() {
    const double step15 = std::pow(2.0, 1.0 / 15);
    const double step15Major = std::pow(2.0, 14.0 / 15);
    const double step22 = std::pow(2.0, 1.0 / 22);
    const double step22Major = std::pow(2.0, 21.0 / 22);
    return {
        // 5edo
        {8.0 / 7, 4.0 / 3, 3.0 / 2, 7.0 / 4, 2.0},
        // 7edo
        {10.0 / 9, 11.0 / 9, 4.0 / 3, 3.0 / 2, 18.0 / 11, 9.0 / 5, 2.0},
        // 12edo
        {16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32, 3.0 / 2, 8.0 / 5, 5.0 / 3,
         9.0 / 5, 15.0 / 8, 2.0},
        // 15edo
        {step15, 11.0 / 10, 8.0 / 7, 6.0 / 5, 5.0 / 4, 4.0 / 3, 11.0 / 8, 13.0 / 9, 3.0 / 2,
         8.0 / 5, 5.0 / 3, 7.0 / 4, 11.0 / 6, step15Major, 2.0},
        // 17edo
        {25.0 / 24, 12.0 / 11, 9.0 / 8, 13.0 / 11, 11.0 / 9, 9.0 / 7, 4.0 / 3, 11.0 / 8, 13.0 / 9,
         3.0 / 2, 11.0 / 7, 13.0 / 8, 12.0 / 7, 7.0 / 4, 11.0 / 6, 27.0 / 14, 2.0},
        // 19edo
        {28.0 / 27, 15.0 / 14, 9.0 / 8, 7.0 / 6, 6.0 / 5, 5.0 / 4, 9.0 / 7, 4.0 / 3, 7.0 / 5,
         10.0 / 7, 3.0 / 2, 14.0 / 9, 8.0 / 5, 5.0 / 3, 7.0 / 4, 9.0 / 5, 15.0 / 8, 27.0 / 14, 2.0},
        // 22edo
        {step22,   17.0 / 16, 11.0 / 10, 9.0 / 8,   7.0 / 6,     6.0 / 5,  5.0 / 4, 9.0 / 7,
         4.0 / 3,  11.0 / 8,  7.0 / 5,   16.0 / 11, 3.0 / 2,     14.0 / 9, 8.0 / 5, 5.0 / 3,
         12.0 / 7, 7.0 / 4,   11.0 / 6,  15.0 / 8,  step22Major, 2.0},
    };
}

// Every interval of j + 1 steps has the same size whatever note it starts on.
SizePattern makeEqualStepPattern(const std::vector<double>& steps) {
    SizePattern pattern(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        pattern[i].assign(steps.begin(), steps.end() - std::ptrdiff_t(i));
    }
    return pattern;
}

std::unique_ptr<dbCurrnet> openPath(const QString& path) {
    auto database = std::make_unique<dbCurrnet>(path);
    if (!database->open()) {
        return nullptr;
    }
    return database;
}

} // namespace

namespace dbManager {

void initialise() {
    QDir().mkpath(pitchSpacesPath);
    const auto steps = defaultSteps();
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const QString& name = defaultScaleSpaces.at(int(k));
        if (!createDatabase(name)) {
            continue;
        }
        if (const auto database = openDatabase(name, pitchSpacesPath)) {
            database->savePattern(builtInPattern(static_cast<int>(k)));
        }
    }
}

SizePattern builtInPattern(const int& index) {
    const auto steps = defaultSteps();
    if (index < 0 || static_cast<std::size_t>(index) >= steps.size()) {
        return SizePattern();
    }
    return makeEqualStepPattern(steps[static_cast<std::size_t>(index)]);
}

std::unique_ptr<dbCurrnet> openDatabase(const QString& name, const QString& folder) {
    return openPath(QDir(folder).filePath(name + "." + fileExtension));
}

std::unique_ptr<dbCurrnet> openDatabase(const QUrl& url) {
    return openPath(url.toLocalFile());
}

bool createDatabase(const QString& name) {
    return openDatabase(name, pitchSpacesPath) != nullptr;
}

bool createDatabase(const QUrl& url) {
    return openDatabase(url) != nullptr;
}

namespace {

// A file with a journal or write-ahead log beside it, left by an interrupted save: SQLite
// brings it back by writing, so it is read from a private copy of the file and its journal,
// and the user's file is still never written (nor a -shm made beside it).
ScaleSpaceRead readRecoveredCopy(const QFileInfo& info, const std::atomic<bool>* interrupt) {
    const QTemporaryDir copies;
    const QString copy = QDir(copies.path()).filePath(QStringLiteral("copy.qmx"));
    if (!copies.isValid() || !QFile::copy(info.absoluteFilePath(), copy)) {
        return {SizePattern(), ReadFailure::NotScaleSpaceFile};
    }
    for (const QString& suffix : {QStringLiteral("-journal"), QStringLiteral("-wal")}) {
        const QString beside = info.absoluteFilePath() + suffix;
        if (QFileInfo::exists(beside)) {
            QFile::copy(beside, copy + suffix);
        }
    }
    ScaleSpaceRead read;
    {
        dbCurrnet file(copy);
        if (!file.openForRecovery()) {
            return {SizePattern(), ReadFailure::NotScaleSpaceFile};
        }
        read = file.readPattern(interrupt);
    }
    read.recovered = read.failure == ReadFailure::None;
    return read;
}

} // namespace

ScaleSpaceRead readScaleSpace(const QString& path, const std::atomic<bool>* interrupt) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return {SizePattern(), ReadFailure::Missing};
    }
    if (!info.isFile()) {
        return {SizePattern(), ReadFailure::NotScaleSpaceFile};
    }
    const QString journalBase = info.absoluteFilePath();
    if (QFileInfo::exists(journalBase + QStringLiteral("-journal")) ||
        QFileInfo::exists(journalBase + QStringLiteral("-wal"))) {
        return readRecoveredCopy(info, interrupt);
    }
    dbCurrnet file(path);
    if (!file.openReadOnly()) {
        return {SizePattern(), ReadFailure::NotScaleSpaceFile};
    }
    return file.readPattern(interrupt);
}

namespace {

// The umask, read from the process's status: setting it to read it would race with any other
// thread that creates a file.
mode_t currentUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok) {
                    return mode_t(mask);
                }
            }
        }
    }
    return mode_t(022);
}

// A temporary file is private; the file it becomes gets what QSaveFile gives: a replaced file
// keeps its permissions, a new one read and write for all less the umask.
void givePermissions(const QString& staging, const QFileInfo& output) {
    if (output.exists()) {
        QFile::setPermissions(staging, QFile::permissions(output.absoluteFilePath()));
        return;
    }
    ::chmod(QFile::encodeName(staging).constData(), 0666 & ~currentUmask());
}

// The staging file's name with its journal's suffix must fit in a file name.
constexpr int longestStagedName = NAME_MAX - int(sizeof(".XXXXXX.part-journal")) - 1;

} // namespace

std::optional<QString> writeScaleSpace(const QString& path, const SizePattern& pattern,
                                       const StoredExtras& extras) {
    if (pattern.empty()) {
        return QStringLiteral("a scale space needs two notes or more");
    }
    const QFileInfo output(path);
    if (QFile::encodeName(output.fileName()).size() > longestStagedName) {
        return QStringLiteral("the name is too long for the temporary file written beside it "
                              "(at most %1 bytes)")
            .arg(longestStagedName);
    }
    // A new database beside the target, moved over it only when complete: nothing of the old
    // file (its triggers, views or journal) ever runs, and a kill part-way leaves it whole.
    QTemporaryFile staging(output.absoluteDir().filePath(QLatin1Char('.') + output.fileName() +
                                                         QStringLiteral(".XXXXXX.part")));
    if (!staging.open()) {
        return staging.errorString();
    }
    staging.close();
    givePermissions(staging.fileName(), output);
    bool saved = false;
    {
        const std::unique_ptr<dbCurrnet> db = openDatabase(QUrl::fromLocalFile(staging.fileName()));
        saved = db && db->saveWork(pattern, extras);
    }
    // Only a file that reads back whole takes the target's place.
    if (saved) {
        const ScaleSpaceRead check = readScaleSpace(staging.fileName());
        saved = check.failure == ReadFailure::None && check.pattern.size() == pattern.size() &&
                !check.extrasIgnored && check.extras.weights.size() == extras.weights.size() &&
                check.extras.state.size() == extras.state.size();
    }
    if (!saved) {
        return QStringLiteral("the file could not be written whole");
    }
    if (std::rename(QFile::encodeName(staging.fileName()).constData(),
                    QFile::encodeName(output.absoluteFilePath()).constData()) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    staging.setAutoRemove(false);
    return std::nullopt;
}

QString describeReadFailure(ReadFailure failure) {
    switch (failure) {
    case ReadFailure::None:
        break;
    case ReadFailure::Missing:
        return QStringLiteral("the file does not exist");
    case ReadFailure::NotScaleSpaceFile:
        return QStringLiteral("it is not a scale space file");
    case ReadFailure::Damaged:
        return QStringLiteral("the file is damaged");
    case ReadFailure::Empty:
        return QStringLiteral("the file holds no notes");
    case ReadFailure::Interrupted:
        return QStringLiteral("reading was interrupted");
    }
    return QString();
}

QStringList databases() {
    QDir folder(pitchSpacesPath);
    folder.setNameFilters({"*." + fileExtension});
    folder.setFilter(QDir::Files);
    QStringList names = folder.entryList();
    for (QString& name : names) {
        name.chop(fileExtension.size() + 1);
    }
    return names;
}

} // namespace dbManager
