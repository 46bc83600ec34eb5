#include "app/tune/tunecommand.h"

#include "app/tune/keptdefaults.h"
#include "app/tune/midicommand.h"
#include "app/tune/outputtarget.h"

#include "analysis/tuninganalysis.h"
#include "analysis/tuningreport.h"

#include "app/making/searchclock.h"
#include "app/making/tuningcheck.h"
#include "app/making/tuningmaking.h"
#include "app/shared/storageconstants.h"
#include "app/work/workstate.h"
#include "audio/wavfile.h"
#include "core/scalespace.h"
#include "formats/tuningformats.h"
#include "model/scalespacemodel.h"
#include "storage/dbcurrnet.h"
#include "storage/dbmanager.h"
#include "storage/scalafile.h"
#include "tuning/searchthreads.h"
#include "tuning/weightfunctions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <set>

namespace tune {

namespace {

const QString programName = QStringLiteral("quillmere-tune");

constexpr int dialMaximum = 1000;
constexpr int rangeMinimum = 2;
constexpr int rangeMaximum = 1024;

constexpr int lowestKey = 0;
constexpr int highestKey = formats::midiKeyCount - 1;

// The options that shape the tuning; --import takes none of them.
const QStringList tuningOptions = {QStringLiteral("range"),
                                   QStringLiteral("notes"),
                                   QStringLiteral("fixed"),
                                   QStringLiteral("weights"),
                                   QStringLiteral("attenuation"),
                                   QStringLiteral("dial"),
                                   QStringLiteral("format"),
                                   QStringLiteral("reference-key"),
                                   QStringLiteral("reference-frequency")};

struct Failure {
    int status;
    QString message;
};

// What a format may write of a finished tuning: the document that the synthesizer formats
// take, and the analysis with its settings for the reports.
struct Written {
    formats::TuningDocument document;
    analysis::TuningAnalysis analysis;
    analysis::ReportSettings settings;
};

// One --format: how the tuning becomes the output's bytes.
struct OutputFormat {
    QString name;
    bool binary;   // refused on a terminal
    bool mapsKeys; // needs a tuning with a period
    std::function<QByteArray(const Written&)> write;
};

QByteArray writeText(const Written& written) {
    return (makeTuningLines(written.document.tuning).join(QLatin1Char('\n')) + QLatin1Char('\n'))
        .toUtf8();
}

// What Play Tuning plays, its first note at the reference frequency.
QByteArray writeWave(const Written& written) {
    return audio::tuningWave(written.document.tuning, written.document.mapping.referenceFrequency);
}

QByteArray writeJson(const Written& written) {
    return analysis::tuningJson(written.analysis, written.settings);
}

// The tuning table with every digit, for programs and spreadsheets.
QByteArray writeCsv(const Written& written) {
    analysis::TableStyle style;
    style.machineNames = true;
    return analysis::tuningTableText(written.analysis, style, QLatin1Char(',')).toUtf8();
}

// Every --format, the default first. Another format is one more entry here.
const std::vector<OutputFormat>& outputFormats() {
    static const std::vector<OutputFormat> list = [] {
        std::vector<OutputFormat> formatList{{QStringLiteral("text"), false, false, writeText}};
        for (const formats::TuningFormat& format : formats::tuningFormats()) {
            const auto write = format.write;
            formatList.push_back(
                {format.name, format.binary, format.mapsKeys, [write](const Written& written) {
                     return write(written.document);
                 }});
        }
        formatList.push_back({QStringLiteral("wav"), true, false, writeWave});
        formatList.push_back({QStringLiteral("json"), false, false, writeJson});
        formatList.push_back({QStringLiteral("csv"), false, false, writeCsv});
        return formatList;
    }();
    return list;
}

const OutputFormat* findOutputFormat(const QString& name) {
    return formats::findByName(outputFormats(), name);
}

std::optional<int> parseWholeNumber(const QString& option, const QString& text, int minimum,
                                    int maximum, QString* error) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("--%1: '%2' is not a whole number").arg(option, text);
        return std::nullopt;
    }
    if (value < minimum || value > maximum) {
        *error = QStringLiteral("--%1: %2 is outside %3 ... %4")
                     .arg(option)
                     .arg(value)
                     .arg(minimum)
                     .arg(maximum);
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseFrequency(const QString& option, const QString& text, QString* error) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0) {
        *error = QStringLiteral("--%1: '%2' is not a positive number of Hz").arg(option, text);
        return std::nullopt;
    }
    return value;
}

// A built-in scale space by its bare name, e.g. "12edo": the library is written first, so
// that this works before the window has ever run. A file of that name comes first.
QString resolveScaleSpaceFile(const QString& file) {
    const bool bareName = !file.contains(QLatin1Char('/')) && QFileInfo(file).suffix().isEmpty();
    if (!bareName || QFileInfo::exists(file) || file == customEntry ||
        !defaultScaleSpaces.contains(file)) {
        return file;
    }
    dbManager::initialise();
    return QDir(pitchSpacesPath).filePath(file + QLatin1Char('.') + fileExtension);
}

// Whole or not at all: an existing file is replaced only once everything is written.
std::optional<Failure> writeWholeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return Failure{FileError,
                       QStringLiteral("cannot write '%1': %2").arg(path, file.errorString())};
    }
    return std::nullopt;
}

void writeToStream(QTextStream& out, const QByteArray& bytes, bool binary) {
    out.flush();
    if (QIODevice* device = out.device()) {
        device->write(bytes);
    } else {
        out << (binary ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes));
    }
}

// Percentages to a hundredth on one terminal line, redrawn in place, so that a search of many
// minutes visibly moves. It only moves forward: the search reports both per note and by the
// work done, and a cancelled run's final 0 is not drawn. The search reports on its own thread;
// the line is drawn by the thread that waits for it, also while no report comes, so that the
// time left is counted down every second.
class ProgressBar {
public:
    ProgressBar(QTextStream& err, bool enabled) : err(err), enabled(enabled) {
        elapsed.start();
        clock.start(0);
    }
    // In millionths (workParts); on any thread.
    void report(int parts) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (parts > reached) {
            reached = parts;
            clock.report(parts, elapsed.elapsed());
        }
    }
    // On the thread that waits: the line as it stands now.
    void draw() {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!enabled || reached < 0) {
            return;
        }
        shown = true;
        const int filled = std::clamp(reached, 0, workParts) * barWidth / workParts;
        // As the window's bar: the time left once the work done says it.
        const std::optional<double> left = clock.secondsLeft(elapsed.elapsed());
        const QString rest =
            left ? QStringLiteral(" \u2013 %1 left").arg(clockText(*left)) : QString();
        err << "\r[" << QString(filled, QLatin1Char('#'))
            << QString(barWidth - filled, QLatin1Char(' ')) << "] "
            << QStringLiteral("%1%").arg(reached * 100.0 / workParts, 6, 'f', 2)
            << rest.leftJustified(lineRoom - 8);
        err.flush();
    }
    ~ProgressBar() {
        if (enabled && shown) {
            err << '\r' << QString(barWidth + lineRoom, QLatin1Char(' ')) << '\r';
            err.flush();
        }
    }

private:
    static constexpr int barWidth = 40;
    static constexpr int lineRoom = 28;
    QTextStream& err;
    bool enabled;
    bool shown = false;
    std::mutex mutex;
    int reached = -1;
    QElapsedTimer elapsed;
    SearchClock clock;
};

// The search on a thread of its own while this one redraws the progress line five times a
// second; an exception of the search is thrown again here.
std::vector<long double> makeTuningShowingProgress(const TuningRequest& request,
                                                   std::atomic<bool>& cancelationRequest,
                                                   QTextStream& err, bool showProgress) {
    ProgressBar progress(err, showProgress);
    std::future<std::vector<long double>> made = std::async(std::launch::async, [&] {
        return makeTuning(
            request, cancelationRequest,
            [&progress](int percent) { progress.report(percent * (workParts / 100)); },
            [&progress](int parts) { progress.report(parts); });
    });
    while (made.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready) {
        progress.draw();
    }
    // Where it ended, if anywhere, before the line is cleared.
    progress.draw();
    return made.get();
}

// Read-only, and bounded whatever the file holds; Control+C stops it.
std::optional<Failure> loadScaleSpace(const QString& path, ScaleSpace& space,
                                      const std::atomic<bool>& cancelationRequest,
                                      dbManager::ScaleSpaceRead& read) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        return Failure{FileError, QStringLiteral("cannot read '%1': not a file").arg(path)};
    }
    read = dbManager::readScaleSpace(info.absoluteFilePath(), &cancelationRequest);
    switch (read.failure) {
    case dbManager::ReadFailure::None:
        break;
    case dbManager::ReadFailure::Missing:
        return Failure{FileError, QStringLiteral("cannot read '%1': no such file").arg(path)};
    case dbManager::ReadFailure::NotScaleSpaceFile:
        return Failure{FileError,
                       QStringLiteral("cannot read '%1': not a scale space file").arg(path)};
    case dbManager::ReadFailure::Damaged:
    case dbManager::ReadFailure::Empty:
        return Failure{FileError, QStringLiteral("'%1' holds no notes (%2)")
                                      .arg(path, dbManager::describeReadFailure(read.failure))};
    case dbManager::ReadFailure::Interrupted:
        return Failure{Interrupted, QStringLiteral("interrupted")};
    }
    space.setScaleSpace(info.baseName(), read.pattern);
    if (space.noteCount() == 0) {
        return Failure{FileError, QStringLiteral("'%1' holds no notes (%2)")
                                      .arg(path, dbManager::describeReadFailure(
                                                     dbManager::ReadFailure::Damaged))};
    }
    return std::nullopt;
}

// The notes to tune: those given, or every note of the range.
std::optional<Failure> chooseNotes(const TuneOptions& options, const int& range,
                                   std::vector<int>& notes) {
    if (!options.notes) {
        for (int note = 0; note < range; ++note) {
            notes.push_back(note);
        }
        return std::nullopt;
    }
    for (const int note : *options.notes) {
        if (note >= range) {
            return Failure{
                UsageError,
                QStringLiteral("--notes: note %1 is beyond the range %2").arg(note + 1).arg(range)};
        }
    }
    notes = *options.notes;
    return std::nullopt;
}

// What "Make" would search for with these options: the same table the window builds, whose
// cached sizes and weights are what is tuned.
TuningRequest makeRequest(const TuneOptions& options, ScaleSpace& space, const int& range,
                          const std::vector<int>& notes) {
    ScaleSpaceModel model(&space);
    model.setRange(range);
    const auto weightFunctions = populateWeightFunctionsMap();
    const SizeToWeightFunction function = weightFunctions.at(options.weightFunction).second;
    model.setWeightFunction([function](long double size) { return function(size); });
    model.setAttenuation(options.attenuation);
    model.setFixedNotes(options.fixed);
    if (options.typedWeights) {
        model.restoreWeights(tableWeights(*options.typedWeights, range, model.getWeights()));
    }
    return makeTuningRequest({notes, weightingName(options), options.dial, dialMaximum}, model);
}

// The output's bytes to where they go: a file replaced whole, a stream, or the standard output.
std::optional<Failure> deliver(const QByteArray& bytes, const QString& outputFile,
                               const OutputTarget& target, bool binary, QTextStream& out) {
    if (target.kind == OutputKind::Stream) {
        const std::optional<QString> problem = writeStream(outputFile, bytes);
        return problem ? std::optional<Failure>(Failure{FileError, *problem}) : std::nullopt;
    }
    if (!outputFile.isEmpty()) {
        return writeWholeFile(outputFile, bytes);
    }
    writeToStream(out, bytes, binary);
    out.flush();
    return std::nullopt;
}

// Everything the formats write besides the ratios: titles, mapping and the analysis.
void describe(Written& written, const TuneOptions& options, const QString& file,
              const ScaleSpace& space, const int& range, const std::vector<int>& notes,
              const TuningRequest& request) {
    written.document.mapping = options.mapping;
    written.document.title = QFileInfo(file).fileName();
    written.document.description = describeTuning(
        space.getName(), notes, range, weightingName(options), options.attenuation, options.dial);
    analysis::AnalysisInput input;
    input.notes = notes;
    input.tuning = written.document.tuning;
    input.pattern = request.pattern;
    std::vector<int> fixed;
    for (const int& position : request.fixedPositions) {
        // The first note tuned is the reference: the search never fixes it.
        if (position > 0) {
            fixed.push_back(notes[static_cast<std::size_t>(position)]);
        }
    }
    input.fixedNotes = fixed;
    input.noteCount = space.noteCount();
    input.repetition = space.repetitionIntervalSize(1);
    written.analysis = analysis::analyseTuning(input);
    // The file as the user named it: a built-in's name, not where the library keeps it.
    written.settings = {options.file,        notes,       fixed, weightingName(options),
                        options.attenuation, options.dial};
}

int runTune(const TuneOptions& given, QTextStream& out, QTextStream& err,
            std::atomic<bool>& cancelationRequest, bool showProgress, bool outputIsTerminal) {
    const auto fail = [&err](const Failure& failure) {
        err << programName << ": " << failure.message << '\n';
        return failure.status;
    };
    const OutputFormat& format = *findOutputFormat(given.format);
    if (format.binary && given.outputFile.isEmpty() && outputIsTerminal) {
        return fail({UsageError, QStringLiteral("--format %1 writes binary data: give --output "
                                                "FILE or redirect the standard output")
                                     .arg(format.name)});
    }
    const QString file = resolveScaleSpaceFile(given.file);
    const OutputTarget target =
        given.outputFile.isEmpty() ? OutputTarget{} : classifyOutput(given.outputFile, file);
    if (target.kind == OutputKind::Refused) {
        return fail({FileError, target.problem});
    }
    ScaleSpace space;
    dbManager::ScaleSpaceRead read;
    if (const std::optional<Failure> failure =
            loadScaleSpace(file, space, cancelationRequest, read)) {
        return fail(*failure);
    }
    TuneOptions options = given;
    if (const QString warning = applyKeptDefaults(options, read, space.noteCount());
        !warning.isEmpty()) {
        err << programName << ": " << warning << '\n';
    }
    const int range = options.range.value_or(std::min(space.noteCount() + 1, rangeMaximum));
    std::vector<int> notes;
    if (const std::optional<Failure> failure = chooseNotes(options, range, notes)) {
        return fail(*failure);
    }
    if (format.mapsKeys && notes.size() < 2) {
        return fail(
            {UsageError,
             QStringLiteral("--format %1: %2").arg(format.name, formats::mappingProblem({1.0L}))});
    }
    if (const std::optional<QString> untunable = findUntunableInterval(notes, space)) {
        return fail({FileError, *untunable});
    }
    const TuningRequest request = makeRequest(options, space, range, notes);
    Written written;
    written.document.tuning =
        makeTuningShowingProgress(request, cancelationRequest, err, showProgress);
    if (cancelationRequest.load()) {
        err << programName << ": interrupted\n";
        return Interrupted;
    }
    const QString problem =
        format.mapsKeys ? formats::mappingProblem(written.document.tuning) : QString();
    if (!problem.isEmpty()) {
        return fail({FileError, QStringLiteral("--format %1: %2").arg(format.name, problem)});
    }
    describe(written, options, file, space, range, notes, request);
    const std::optional<Failure> failure =
        deliver(format.write(written), options.outputFile, target, format.binary, out);
    return failure ? fail(*failure) : Success;
}

int runImport(const ImportOptions& options, QTextStream& err) {
    const auto fail = [&err](int status, const QString& message) {
        err << programName << ": " << message << '\n';
        return status;
    };

    // A scale space file is a database: it cannot be streamed into a FIFO or a device.
    if (const OutputTarget target = classifyOutput(options.outputFile, options.scalaFile);
        target.kind != OutputKind::RegularFile) {
        return fail(
            FileError,
            target.kind == OutputKind::Refused
                ? target.problem
                : QStringLiteral("'%1' is not a file that can be written").arg(options.outputFile));
    }
    QFile input(options.scalaFile);
    if (!QFileInfo(options.scalaFile).isFile() || !input.open(QIODevice::ReadOnly)) {
        return fail(FileError, QStringLiteral("cannot read '%1'").arg(options.scalaFile));
    }
    // Far more than 1024 pitches with their comments need; a larger file is not read into
    // memory.
    constexpr qint64 scalaSizeLimit = 4 * 1024 * 1024;
    if (input.size() > scalaSizeLimit) {
        return fail(FileError,
                    QStringLiteral("'%1' is too large for a Scala file").arg(options.scalaFile));
    }
    const ScalaParseResult parsed = parseScala(QString::fromUtf8(input.readAll()));
    if (!parsed.scale) {
        return fail(FileError, QStringLiteral("'%1': %2").arg(options.scalaFile, parsed.error));
    }

    if (const std::optional<QString> problem = dbManager::writeScaleSpace(
            options.outputFile, scalaSizePattern(parsed.scale->pitches))) {
        return fail(FileError,
                    QStringLiteral("cannot write '%1': %2").arg(options.outputFile, *problem));
    }
    return Success;
}

} // namespace

std::optional<std::vector<int>> parseNoteList(const QString& text, QString* error) {
    QString problem;
    std::set<int> notes;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString& rawItem : items) {
        const QString item = rawItem.trimmed();
        const QStringList bounds = item.split(QLatin1Char('-'));
        bool okFirst = false;
        bool okLast = false;
        const int first = bounds.value(0).trimmed().toInt(&okFirst);
        const int last = bounds.size() == 2 ? bounds.at(1).trimmed().toInt(&okLast) : first;
        if (bounds.size() == 1) {
            okLast = okFirst;
        }
        if (item.isEmpty() || bounds.size() > 2 || !okFirst || !okLast) {
            problem = QStringLiteral("'%1' is not a note or a range of notes").arg(item);
        } else if (first < 1 || last < 1) {
            problem =
                QStringLiteral("notes are numbered from 1, not %1").arg(std::min(first, last));
        } else if (last < first) {
            problem = QStringLiteral("the range '%1' runs backwards").arg(item);
        } else if (last > rangeMaximum) {
            problem = QStringLiteral("note %1 is beyond the largest range %2")
                          .arg(last)
                          .arg(rangeMaximum);
        }
        if (!problem.isEmpty()) {
            if (error != nullptr) {
                *error = problem;
            }
            return std::nullopt;
        }
        for (int note = first; note <= last; ++note) {
            notes.insert(note - 1);
        }
    }
    return std::vector<int>(notes.begin(), notes.end());
}

// The options that take numbers and note lists; the first problem, if any.
std::optional<QString> readNumberOptions(const QCommandLineParser& parser, TuneOptions& tune) {
    const auto given = [&parser](const char* name) {
        return parser.isSet(QLatin1String(name));
    };
    const auto value = [&parser](const char* name) {
        return parser.value(QLatin1String(name));
    };
    QString error;
    if (given("range")) {
        tune.range = parseWholeNumber("range", value("range"), rangeMinimum, rangeMaximum, &error);
        if (!tune.range) {
            return error;
        }
    }
    for (const auto& [name, maximum, target] :
         {std::tuple{"attenuation", 100, &tune.attenuation},
          std::tuple{"dial", dialMaximum, &tune.dial},
          std::tuple{"reference-key", highestKey, &tune.mapping.referenceKey}}) {
        if (given(name)) {
            const int minimum = target == &tune.mapping.referenceKey ? lowestKey : 0;
            const std::optional<int> number =
                parseWholeNumber(QLatin1String(name), value(name), minimum, maximum, &error);
            if (!number) {
                return error;
            }
            *target = *number;
        }
    }
    for (const auto& [name, target] : {std::pair{"notes", &tune.notes}}) {
        if (given(name)) {
            *target = parseNoteList(value(name), &error);
            if (!*target) {
                return QStringLiteral("--%1: %2").arg(QLatin1String(name), error);
            }
        }
    }
    if (given("fixed")) {
        const std::optional<std::vector<int>> fixed = parseNoteList(value("fixed"), &error);
        if (!fixed) {
            return QStringLiteral("--fixed: %1").arg(error);
        }
        tune.fixed = *fixed;
    }
    return std::nullopt;
}

// The options that name a weight function, a format or a frequency; the first problem, if any.
std::optional<QString> readChoiceOptions(const QCommandLineParser& parser, TuneOptions& tune) {
    const auto given = [&parser](const char* name) {
        return parser.isSet(QLatin1String(name));
    };
    const auto value = [&parser](const char* name) {
        return parser.value(QLatin1String(name));
    };
    QString error;
    if (given("weights")) {
        const qsizetype index = weightFunctionNames.indexOf(QRegularExpression(
            QRegularExpression::anchoredPattern(QRegularExpression::escape(value("weights"))),
            QRegularExpression::CaseInsensitiveOption));
        if (index < 0) {
            return QStringLiteral("--weights: '%1' is not one of %2")
                .arg(value("weights"), weightFunctionNames.join(QStringLiteral(", ")));
        }
        tune.weightFunction = static_cast<int>(index);
    }
    if (given("format")) {
        const OutputFormat* format = findOutputFormat(value("format"));
        if (format == nullptr) {
            return QStringLiteral("--format: '%1' is not one of %2")
                .arg(value("format"), outputFormatNames().join(QStringLiteral(", ")));
        }
        tune.format = format->name;
    }
    if (given("reference-frequency")) {
        const std::optional<double> frequency = parseFrequency(
            QStringLiteral("reference-frequency"), value("reference-frequency"), &error);
        if (!frequency) {
            return error;
        }
        tune.mapping.referenceFrequency = *frequency;
    }

    return std::nullopt;
}

// The files: what --import reads and writes, or the scale space file to tune and where the
// output goes; the first problem, if any.
std::optional<QString> readFiles(const QCommandLineParser& parser, ParsedArguments& parsed) {
    const QStringList positional = parser.positionalArguments();
    const QString output = parser.value(QStringLiteral("output"));
    if (parser.isSet(QStringLiteral("import"))) {
        if (!parser.isSet(QStringLiteral("output"))) {
            return QStringLiteral("--import needs --output");
        }
        const bool tuningOptionGiven =
            std::any_of(tuningOptions.begin(), tuningOptions.end(),
                        [&parser](const QString& name) { return parser.isSet(name); });
        if (!positional.isEmpty() || tuningOptionGiven) {
            return QStringLiteral("--import takes no scale space file and no tuning options");
        }
        parsed.action = ParsedArguments::Action::Import;
        parsed.import = {parser.value(QStringLiteral("import")), output};
        return std::nullopt;
    }
    if (positional.isEmpty()) {
        return QStringLiteral("no scale space file given");
    }
    if (positional.size() > 1) {
        return QStringLiteral("unexpected argument '%1'").arg(positional.at(1));
    }
    parsed.tune.file = positional.first();
    parsed.tune.outputFile = output;
    parsed.action = ParsedArguments::Action::Tune;
    return std::nullopt;
}

ParsedArguments parseArguments(const QStringList& arguments) {
    ParsedArguments parsed;
    const auto failed = [&parsed](const QString& message) {
        parsed.action = ParsedArguments::Action::Error;
        parsed.error = message;
        return parsed;
    };

    // The descriptions live in helpText(); the parser only needs the names.
    QCommandLineParser parser;
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    parser.addOption({QStringLiteral("version"), QString()});
    for (const QString& name :
         tuningOptions + QStringList{QStringLiteral("import"), QStringLiteral("output")}) {
        parser.addOption({name, QString(), QStringLiteral("value")});
    }
    // The parser takes the program's name first.
    if (!parser.parse(QStringList{programName} + arguments)) {
        return failed(parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parsed.action = ParsedArguments::Action::Help;
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.action = ParsedArguments::Action::Version;
        return parsed;
    }

    if (const std::optional<QString> error = readNumberOptions(parser, parsed.tune)) {
        return failed(*error);
    }
    if (const std::optional<QString> error = readChoiceOptions(parser, parsed.tune)) {
        return failed(*error);
    }
    if (const std::optional<QString> error = readFiles(parser, parsed)) {
        return failed(*error);
    }
    for (const QString& name : tuningOptions) {
        if (parser.isSet(name)) {
            parsed.tune.given << name;
        }
    }
    return parsed;
}

QStringList outputFormatNames() {
    QStringList names;
    for (const OutputFormat& format : outputFormats()) {
        names << format.name;
    }
    return names;
}

QString versionText() {
    return QStringLiteral("%1 %2\n").arg(programName, QStringLiteral(QUILLMERE_VERSION));
}

QString helpText() {
    return QStringLiteral(
        "Usage: quillmere-tune FILE [--range R] [--notes LIST] [--fixed LIST]\n"
        "                      [--weights benedetti|uniform] [--attenuation A] [--dial V]\n"
        "                      [--format text|scl|kbm|tun|syx|wav|json|csv] [--reference-key K]\n"
        "                      [--reference-frequency F] [--output FILE]\n"
        "       quillmere-tune FILE [tuning options] --send-midi NAME\n"
        "       quillmere-tune --list-midi-ports\n"
        "       quillmere-tune --import SCL_FILE --output QMX_FILE\n"
        "       quillmere-tune --help | --version\n"
        "\n"
        "Makes a tuning of a scale space file (.qmx) exactly as \"Make\" in Quillmere does,\n"
        "writes it for synthesizers, and converts Scala scale files (.scl) into scale space\n"
        "files.\n"
        "\n"
        "Tuning (defaults as the window starts):\n"
        "  FILE               the scale space file to tune, or the name of a built-in one\n"
        "                     (e.g. 12edo); damaged or empty files are refused\n"
        "  --range R          the table notes 1 ... R (2 ... 1024; default: one period and its\n"
        "                     repetition, the number of notes + 1)\n"
        "  --notes LIST       the notes to tune, one-based, e.g. 1,3,5-8 (default: all notes\n"
        "                     of the range); every note must lie within the range\n"
        "  --fixed LIST       the notes whose pitch is kept, same syntax; note 1 and notes\n"
        "                     beyond the range are dropped, as in the window\n"
        "  --weights NAME     Benedetti (default) or Uniform, in any case\n"
        "  --attenuation A    the weight attenuation, 0 ... 100 (default 50)\n"
        "  --dial V           the \"Maker Precision\" dial, 0 ... 1000 (default 500)\n"
        "  --format FORMAT    text (default): the output box's text, \"Decimal tuning\" and\n"
        "                     \"Cents tuning\"; scl: a Scala file of the tuned notes in cents,\n"
        "                     relative to the first, the last tuned note being the period;\n"
        "                     kbm: the Scala keyboard mapping that goes with it; tun: an\n"
        "                     AnaMark tuning of the 128 MIDI keys; syx: a MIDI Tuning Standard\n"
        "                     bulk tuning dump; wav: what Play Tuning plays (16-bit mono PCM\n"
        "                     at 48 kHz), the first tuned note at --reference-frequency;\n"
        "                     json: every note and interval with its deviation, and the\n"
        "                     summary; csv: the tuning table; syx, wav: binary, for --output\n"
        "  --reference-key K  the MIDI key, 0 ... 127, that sounds the first tuned note\n"
        "                     (default 60); key K + n sounds the note n degrees above it,\n"
        "                     repeating by periods\n"
        "  --reference-frequency F\n"
        "                     the frequency of that key in Hz (default 261.6255653005986)\n"
        "  --output FILE      write to FILE instead of the standard output; an existing file\n"
        "                     is replaced only once the whole output is written\n"
        "\n"
        "MIDI (through a JACK server if one runs, else the ALSA sequencer):\n"
        "  --list-midi-ports  the MIDI output ports, one a line\n"
        "  --send-midi NAME   send what --format syx writes to the first MIDI output port\n"
        "                     whose name contains NAME (any case); exit status 1 if none does\n"
        "\n"
        "Importing:\n"
        "  --import SCL_FILE  a Scala file: its 1/1 and every pitch but the last become the\n"
        "                     notes, the last pitch the repetition interval\n"
        "  --output QMX_FILE  the scale space file to write; an existing file is replaced\n"
        "                     only when the import succeeds\n"
        "\n"
        "A long search shows its progress on standard error when that is a terminal;\n"
        "Control+C cancels it.\n"
        "\n"
        "Exit status: 0 on success, 1 for a file that cannot be read or yields no notes,\n"
        "2 for bad usage, 130 when interrupted.\n");
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err,
        std::atomic<bool>& cancelationRequest, bool showProgress, bool outputIsTerminal) {
    if (const std::optional<int> status =
            runMidiCommand(arguments, out, err, cancelationRequest, showProgress)) {
        return *status;
    }
    const ParsedArguments parsed = parseArguments(arguments);
    switch (parsed.action) {
    case ParsedArguments::Action::Help:
        out << helpText();
        return Success;
    case ParsedArguments::Action::Version:
        out << versionText();
        return Success;
    case ParsedArguments::Action::Error:
        err << programName << ": " << parsed.error << '\n'
            << "Try '" << programName << " --help' for more information.\n";
        return UsageError;
    case ParsedArguments::Action::Import:
        return runImport(parsed.import, err);
    case ParsedArguments::Action::Tune:
        break;
    }
    return runTune(parsed.tune, out, err, cancelationRequest, showProgress, outputIsTerminal);
}

} // namespace tune
