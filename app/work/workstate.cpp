#include "app/work/workstate.h"

#include "app/making/tuningmaking.h"
#include "app/shared/tuningconstants.h"
#include "storage/dbcurrnet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <locale>
#include <map>
#include <sstream>

namespace {

// The settings' ranges, as the window's controls have them.
constexpr int dialMaximum = 1000;
constexpr int attenuationMaximum = 100;
constexpr int largestRange = 1024;
constexpr int largestPrecision = 15;

// A ratio of the tuning with all the digits a long double holds, so that it reads back exact.
QString ratioText(const long double& value) {
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << std::scientific << std::setprecision(20) << value;
    return QString::fromStdString(stream.str());
}

std::optional<long double> readRatio(const QString& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string digits = text.toStdString();
    char* end = nullptr;
    const long double value = strtold_l(digits.c_str(), &end, cLocale);
    if (digits.empty() || end != digits.c_str() + digits.size() || !std::isfinite(value) ||
        value <= 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> readInteger(const QString& text, const int& lowest, const int& highest) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

QString notesText(const std::vector<int>& notes) {
    QStringList words;
    for (const int note : notes) {
        words << QString::number(note);
    }
    return words.join(QLatin1Char(' '));
}

// Ascending distinct notes below the limit, or nothing.
std::optional<std::vector<int>> readNotes(const QStringList& words, const int& limit) {
    std::vector<int> notes;
    for (const QString& word : words) {
        const std::optional<int> note = readInteger(word, 0, limit - 1);
        if (!note || (!notes.empty() && *note <= notes.back())) {
            return std::nullopt;
        }
        notes.push_back(*note);
    }
    return notes;
}

bool isWeightFunctionName(const QString& name) {
    return weightFunctionNames.contains(name) || name == arbitraryFunctionName;
}

QJsonArray intArray(const std::vector<int>& values) {
    QJsonArray array;
    for (const int value : values) {
        array.append(value);
    }
    return array;
}

QString tuningText(const KeptTuning& tuning) {
    QJsonArray ratios;
    for (const long double& ratio : tuning.ratios) {
        ratios.append(ratioText(ratio));
    }
    const QJsonObject object{
        {QStringLiteral("ratios"), ratios},
        {QStringLiteral("notes"), intArray(tuning.notes)},
        {QStringLiteral("fixed"), intArray(tuning.fixed)},
        {QStringLiteral("weight_function"), tuning.weightFunction},
        {QStringLiteral("attenuation"), tuning.attenuation},
        {QStringLiteral("dial"), tuning.dial},
        {QStringLiteral("range"), tuning.range},
        {QStringLiteral("sizes"), QJsonArray::fromStringList(tuning.sizes)},
        {QStringLiteral("current"), tuning.current},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<std::vector<int>> jsonNotes(const QJsonValue& value) {
    QStringList words;
    for (const QJsonValue& note : value.toArray()) {
        if (!note.isDouble()) {
            return std::nullopt;
        }
        words << QString::number(note.toDouble());
    }
    return readNotes(words, largestRange);
}

std::optional<int> jsonInteger(const QJsonObject& object, const QString& key, const int& highest) {
    const QJsonValue value = object.value(key);
    return value.isDouble() ? readInteger(QString::number(value.toDouble()), 0, highest)
                            : std::nullopt;
}

std::optional<KeptTuning> readTuning(const QString& text) {
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    KeptTuning tuning;
    for (const QJsonValue& ratio : object.value(QStringLiteral("ratios")).toArray()) {
        const std::optional<long double> value = readRatio(ratio.toString());
        if (!value) {
            return std::nullopt;
        }
        tuning.ratios.push_back(*value);
    }
    const auto notes = jsonNotes(object.value(QStringLiteral("notes")));
    const auto fixed = jsonNotes(object.value(QStringLiteral("fixed")));
    const auto attenuation = jsonInteger(object, QStringLiteral("attenuation"), attenuationMaximum);
    const auto dial = jsonInteger(object, QStringLiteral("dial"), dialMaximum);
    const auto range = jsonInteger(object, QStringLiteral("range"), largestRange);
    tuning.weightFunction = object.value(QStringLiteral("weight_function")).toString();
    for (const QJsonValue& size : object.value(QStringLiteral("sizes")).toArray()) {
        tuning.sizes << size.toString();
    }
    if (!notes || !fixed || !attenuation || !dial || !range || notes->empty() ||
        notes->size() != tuning.ratios.size() || !isWeightFunctionName(tuning.weightFunction) ||
        qsizetype(notes->size() * (notes->size() - 1) / 2) != tuning.sizes.size()) {
        return std::nullopt;
    }
    tuning.notes = *notes;
    tuning.fixed = *fixed;
    tuning.attenuation = *attenuation;
    tuning.dial = *dial;
    tuning.range = *range;
    tuning.current = object.value(QStringLiteral("current")).toBool(false);
    return tuning;
}

} // namespace

bool KeptTuning::operator==(const KeptTuning& other) const {
    return ratios == other.ratios && notes == other.notes && fixed == other.fixed &&
           weightFunction == other.weightFunction && attenuation == other.attenuation &&
           dial == other.dial && range == other.range && sizes == other.sizes &&
           current == other.current;
}

bool WorkState::operator==(const WorkState& other) const {
    return weightFunction == other.weightFunction && attenuation == other.attenuation &&
           dial == other.dial && range == other.range && precision == other.precision &&
           display == other.display && interval == other.interval && selected == other.selected &&
           fixed == other.fixed && weights == other.weights && tuning == other.tuning;
}

dbManager::StoredExtras encodeWork(const WorkState& work, const int& noteCount) {
    const WorkState defaults;
    dbManager::StoredExtras extras;
    auto& rows = extras.state;
    const bool arbitrary = work.weightFunction == arbitraryFunctionName;
    if (!work.weightFunction.isEmpty() && work.weightFunction != weightFunctionNames.first()) {
        rows.emplace_back(QStringLiteral("weight_function"), work.weightFunction);
    }
    const auto number = [&rows](const char* key, const int& value, const int& fallback) {
        if (value != fallback) {
            rows.emplace_back(QLatin1String(key), QString::number(value));
        }
    };
    number("attenuation", work.attenuation, defaults.attenuation);
    number("dial", work.dial, defaults.dial);
    number("range", work.range, work.range == 0 ? 0 : noteCount + 1);
    number("precision", work.precision, defaults.precision);
    if (work.display == DisplayMode::Cents) {
        rows.emplace_back(QStringLiteral("display"), QStringLiteral("cents"));
    }
    if (work.interval == IntervalMode::Weight) {
        rows.emplace_back(QStringLiteral("interval"), QStringLiteral("weight"));
    }
    if (!work.selected.empty()) {
        rows.emplace_back(QStringLiteral("selected"), notesText(work.selected));
    }
    if (!work.fixed.empty()) {
        rows.emplace_back(QStringLiteral("fixed"), notesText(work.fixed));
    }
    if (work.tuning) {
        rows.emplace_back(QStringLiteral("tuning"), tuningText(*work.tuning));
    }
    if (arbitrary) {
        extras.weights = work.weights;
    }
    return extras;
}

namespace {

// Reads one row into the work; false when it is damaged, unknown or out of range.
bool decodeRow(const QString& key, const QString& value, const int& range, WorkState& work) {
    const auto integer = [&value](int& target, const int& lowest, const int& highest) {
        const std::optional<int> number = readInteger(value, lowest, highest);
        target = number.value_or(target);
        return number.has_value();
    };
    const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (key == QLatin1String("weight_function")) {
        work.weightFunction = isWeightFunctionName(value) ? value : work.weightFunction;
        return isWeightFunctionName(value);
    }
    if (key == QLatin1String("attenuation")) {
        return integer(work.attenuation, 0, attenuationMaximum);
    }
    if (key == QLatin1String("dial")) {
        return integer(work.dial, 0, dialMaximum);
    }
    if (key == QLatin1String("range")) {
        return true; // read first, by decodeWork
    }
    if (key == QLatin1String("precision")) {
        return integer(work.precision, 1, largestPrecision);
    }
    if (key == QLatin1String("display")) {
        work.display = value == QLatin1String("cents") ? DisplayMode::Cents : DisplayMode::Decimal;
        return value == QLatin1String("cents") || value == QLatin1String("decimal");
    }
    if (key == QLatin1String("interval")) {
        work.interval =
            value == QLatin1String("weight") ? IntervalMode::Weight : IntervalMode::Size;
        return value == QLatin1String("weight") || value == QLatin1String("size");
    }
    if (key == QLatin1String("selected") || key == QLatin1String("fixed")) {
        const std::optional<std::vector<int>> notes = readNotes(words, range);
        std::vector<int>& target = key == QLatin1String("fixed") ? work.fixed : work.selected;
        target = notes.value_or(std::vector<int>());
        // Note 0 is the reference: it is never fixed.
        if (&target == &work.fixed && !target.empty() && target.front() == 0) {
            target.erase(target.begin());
        }
        return notes.has_value();
    }
    if (key == QLatin1String("tuning")) {
        work.tuning = readTuning(value);
        return work.tuning.has_value();
    }
    return false;
}

} // namespace

DecodedWork decodeWork(const dbManager::StoredExtras& extras, const int& noteCount) {
    DecodedWork decoded;
    WorkState& work = decoded.work;
    decoded.present = !extras.empty();
    int range = noteCount + 1;
    std::map<QString, QString> rows;
    for (const auto& [key, value] : extras.state) {
        rows[key] = value;
    }
    if (const auto found = rows.find(QStringLiteral("range")); found != rows.end()) {
        const std::optional<int> stored = readInteger(found->second, 2, largestRange);
        work.range = stored.value_or(0);
        range = stored.value_or(range);
        if (!stored) {
            decoded.ignored << found->first;
        }
    }
    for (const auto& [key, value] : rows) {
        if (!decodeRow(key, value, range, work)) {
            decoded.ignored << key;
        }
    }
    // Weights without a function named are typed weights all the same.
    if (!extras.weights.empty() && !rows.count(QStringLiteral("weight_function"))) {
        work.weightFunction = arbitraryFunctionName;
    }
    if (work.weightFunction == arbitraryFunctionName) {
        for (const dbManager::StoredWeight& weight : extras.weights) {
            if (weight.row + weight.column + 1 < range && weight.value >= 0) {
                work.weights.push_back(weight);
            }
        }
        if (work.weights.size() != extras.weights.size()) {
            decoded.ignored << QStringLiteral("weights");
        }
    }
    return decoded;
}

WorkState workOfNotes(const WorkState& work, const std::vector<int>& notes) {
    std::map<int, int> kept;
    for (std::size_t k = 0; k < notes.size(); ++k) {
        kept[notes[k]] = int(k);
    }
    const auto renumber = [&kept](const std::vector<int>& old, bool& whole) {
        std::vector<int> result;
        for (const int note : old) {
            const auto found = kept.find(note);
            whole = whole && found != kept.end();
            if (found != kept.end()) {
                result.push_back(found->second);
            }
        }
        return result;
    };
    WorkState result = work;
    bool whole = true;
    result.range = work.range == 0 ? 0 : int(notes.size());
    result.selected = renumber(work.selected, whole);
    // A selection of every note kept is no selection in the file that keeps only them.
    if (result.selected.size() == notes.size()) {
        result.selected.clear();
    }
    result.fixed = renumber(work.fixed, whole);
    result.fixed.erase(std::remove(result.fixed.begin(), result.fixed.end(), 0),
                       result.fixed.end());
    result.weights.clear();
    for (const dbManager::StoredWeight& weight : work.weights) {
        const auto low = kept.find(weight.row);
        const auto high = kept.find(weight.row + weight.column + 1);
        if (low != kept.end() && high != kept.end()) {
            result.weights.push_back({low->second, high->second - low->second - 1, weight.value});
        }
    }
    if (work.tuning) {
        bool tuned = true;
        KeptTuning& tuning = *result.tuning;
        tuning.notes = renumber(work.tuning->notes, tuned);
        // Fixed notes that were not tuned played no part in it.
        bool untunedFixed = true;
        tuning.fixed = renumber(work.tuning->fixed, untunedFixed);
        tuning.fixed.erase(std::remove(tuning.fixed.begin(), tuning.fixed.end(), 0),
                           tuning.fixed.end());
        tuning.range = int(notes.size());
        if (!tuned) {
            result.tuning.reset();
        }
    }
    return result;
}

std::vector<long double> tableWeights(const std::vector<dbManager::StoredWeight>& kept,
                                      const int& range, std::vector<long double> base) {
    const std::size_t width = std::size_t(std::max(range, 0));
    if (base.size() != width * width) {
        return base;
    }
    for (const dbManager::StoredWeight& weight : kept) {
        const std::size_t low = std::size_t(weight.row);
        const std::size_t high = low + std::size_t(weight.column) + 1;
        if (high < width) {
            base[low * width + high] = weight.value;
            base[high * width + low] = weight.value;
        }
    }
    return base;
}

std::vector<dbManager::StoredWeight> keptWeights(const std::vector<long double>& table,
                                                 const int& range) {
    std::vector<dbManager::StoredWeight> kept;
    const std::size_t width = std::size_t(std::max(range, 0));
    if (table.size() != width * width) {
        return kept;
    }
    for (std::size_t low = 0; low < width; ++low) {
        for (std::size_t high = low + 1; high < width; ++high) {
            kept.push_back({int(low), int(high - low - 1), table[low * width + high]});
        }
    }
    return kept;
}

QStringList keptSizes(const std::vector<std::vector<long double>>& pairSizes) {
    QStringList sizes;
    for (const std::vector<long double>& row : pairSizes) {
        for (const long double& size : row) {
            sizes << storedValueText(size);
        }
    }
    return sizes;
}

KeptTuning keptTuningInput(const TuningSettings& settings, const ScaleSpaceModel& model) {
    KeptTuning input;
    input.notes = settings.notes;
    if (input.notes.empty()) {
        for (int note = 0; note < model.getRange(); ++note) {
            input.notes.push_back(note);
        }
    }
    input.fixed = model.getFixedNotes();
    input.weightFunction = settings.weightFunctionName;
    input.attenuation = model.getAttenuation();
    input.dial = settings.dial;
    input.range = model.getRange();
    std::vector<std::vector<long double>> sizes;
    for (const std::vector<Interval>& row : makeNotesIntervalsPattern(input.notes, model)) {
        sizes.emplace_back();
        for (const Interval& interval : row) {
            sizes.back().push_back(interval.size);
        }
    }
    input.sizes = keptSizes(sizes);
    return input;
}
