#pragma once

// quillmere-tune: the pipeline of "Make" without a window, and Scala scale files in and out.
// Everything here writes to the streams it is given, so the tests run it in-process.

#include "formats/keymapping.h"
#include "storage/scalespaceread.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <optional>
#include <vector>

namespace tune {

// Exit statuses: 2 for bad usage, 1 for a file that cannot be read or yields no notes, 130
// when the search was interrupted (as shells report Control+C).
enum ExitStatus { Success = 0, FileError = 1, UsageError = 2, Interrupted = 130 };

struct TuneOptions {
    QString file;
    std::optional<int> range;
    // Zero-based table notes, as given (validated against the range later).
    std::optional<std::vector<int>> notes;
    std::vector<int> fixed;
    int weightFunction = 0; // index into the weight function table: "Benedetti"
    // Weights typed in the window and kept in the file ("Arbitrary"); they replace the function.
    std::optional<std::vector<dbManager::StoredWeight>> typedWeights;
    int attenuation = 50;
    int dial = 500;
    QString format = QStringLiteral("text"); // a name of outputFormatNames(), in lower case
    formats::KeyMapping mapping;
    QString outputFile; // empty for the standard output
    // The tuning options given on the command line; the file's kept work fills in the others.
    QStringList given;
};

struct ImportOptions {
    QString scalaFile;
    QString outputFile;
};

struct ParsedArguments {
    enum class Action { Tune, Import, Help, Version, Error } action = Action::Error;
    TuneOptions tune;
    ImportOptions import;
    QString error; // one line, for Action::Error
};

// The arguments after the program's name.
ParsedArguments parseArguments(const QStringList& arguments);

// A note list as the user types it: one-based numbers and ranges separated by commas,
// e.g. "1,3,5-8". The result is zero-based, ascending and free of repeats.
std::optional<std::vector<int>> parseNoteList(const QString& text, QString* error = nullptr);

// The names --format takes, the default first.
QStringList outputFormatNames();

QString helpText();
QString versionText();

// Runs the whole command; the result is the process's exit status. Progress goes to err
// only when showProgress is set (standard error is a terminal). A binary format is refused
// on an output that is a terminal. Binary output goes to out's device; when out writes into
// a string, each byte becomes the character of that code (Latin-1).
int run(const QStringList& arguments, QTextStream& out, QTextStream& err,
        std::atomic<bool>& cancelationRequest, bool showProgress, bool outputIsTerminal = false);

} // namespace tune
