#include "model/scalespacemodel.h"

#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <locale>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

const QList<int> editRoles{Qt::DisplayRole, Qt::EditRole};

long double unitWeight(long double) {
    return 1;
}

void registerMetaTypes() {
    static const bool registered = [] {
        qRegisterMetaType<DisplayMode>();
        qRegisterMetaType<IntervalMode>();
        qRegisterMetaType<WeightMode>();
        return true;
    }();
    Q_UNUSED(registered)
}

// Decimal numbers as the standard conversion reads them; a text of this form that is refused
// lies beyond the range of the number format.
const QRegularExpression& numberPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    return pattern;
}

QString outOfRangeReason() {
    return QStringLiteral("the number is out of range");
}

QString notPositiveReason() {
    return QStringLiteral("a size must be positive");
}

const QRegularExpression& fractionPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(-?\d+)(?:\s+(\d+)/(\d+)|/(\d+))?\s*$)"));
    return pattern;
}

// What std::stold does, but always in the "C" locale: a Qt application takes the C library's
// locale from the environment, and under a decimal comma strtold would read "1.5" as 1.
// False where std::stold would throw (nothing read, or out of range).
bool readNumber(const std::string& text, long double& value) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    if (cLocale == locale_t(nullptr)) {
        try {
            value = std::stold(text);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    char* end = nullptr;
    errno = 0;
    value = strtold_l(text.c_str(), &end, cLocale);
    return end != text.c_str() && errno != ERANGE;
}

// The significant bytes of a long double (the x87 format leaves its padding undefined), so
// that numbers are told apart by their bits: 0 and -0, or two NaNs, print differently.
constexpr std::size_t keyBytes =
    std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
static_assert(sizeof(long double) <= 16, "a number key holds at most 16 bytes");

struct NumberKey {
    std::array<unsigned char, 16> bytes{};

    explicit NumberKey(const long double& value) { std::memcpy(bytes.data(), &value, keyBytes); }
    bool operator==(const NumberKey& other) const { return bytes == other.bytes; }
    std::uint64_t hash() const {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::memcpy(&low, bytes.data(), 8);
        std::memcpy(&high, bytes.data() + 8, 8);
        return (low ^ (high * 0x9E3779B97F4A7C15ULL)) * 0xBF58476D1CE4E5B9ULL;
    }
};

// Values of recently seen numbers, in a fixed number of slots. The sizes of a table repeat
// with every period of the scale space, and the weights with them, so a pass over the whole
// table computes each distinct text or weight about once, and cells with equal numbers share
// one string.
template <typename Value> class NumberMemo {
public:
    explicit NumberMemo(std::size_t cells) {
        std::size_t count = minimumSlots;
        int bits = 6;
        while (count < cells && count < maximumSlots) {
            count *= 2;
            ++bits;
        }
        entries.resize(count);
        shift = 64 - bits;
    }

    template <typename Make> const Value& get(const long double& number, const Make& make) {
        const NumberKey key(number);
        Slot& slot = entries[key.hash() >> shift];
        if (!slot.used || !(slot.key == key)) {
            slot.key = key;
            slot.value = make(number);
            slot.used = true;
        }
        return slot.value;
    }

private:
    static constexpr std::size_t minimumSlots = 64;
    static constexpr std::size_t maximumSlots = 16384;

    struct Slot {
        NumberKey key{0.0L};
        bool used = false;
        Value value{};
    };

    std::vector<Slot> entries;
    int shift = 58;
};

struct WeightEntry {
    long double weight = 1;
    QString text;
};

// The sizes of the table's cells exactly as ScaleSpace::getIntervalSize gives them, but with
// each power of the repetition interval taken once per pass instead of once per cell: that
// power is most of the cost of a cell. Only for the table's notes 0 ... range - 1.
class TableSizes {
public:
    TableSizes(const ScaleSpace* space, int range) {
        if (space == nullptr || space->noteCount() == 0 || range <= 0) {
            return;
        }
        pattern = space->getSizePattern();
        count = space->noteCount();
        periods = (range - 1) / count;
        const long double repetition = pattern[0].back();
        for (int k = -periods; k <= periods; ++k) {
            powers.push_back(std::pow(repetition, static_cast<long double>(k)));
        }
    }

    // The size from note row up to note column: getIntervalSize(column, row).
    long double size(int row, int column) const {
        if (count == 0) {
            return 1;
        }
        const int upperPeriod = column / count;
        const int lowerPeriod = row / count;
        const int upper = column - upperPeriod * count;
        const int lower = row - lowerPeriod * count;
        const long double factor = powers[std::size_t(upperPeriod - lowerPeriod + periods)];
        if (upper == lower) {
            return factor;
        }
        if (lower < upper) {
            return pattern[std::size_t(lower)][std::size_t(upper - lower - 1)] * factor;
        }
        return factor / pattern[std::size_t(upper)][std::size_t(lower - upper - 1)];
    }

private:
    SizePattern pattern;
    int count = 0;
    int periods = 0;
    std::vector<long double> powers;
};

} // namespace

// What one pass over many cells needs: the texts and weights of the numbers it has met.
// Gives the same results as sizeText, weightText and the weight rules, remembered.
class ScaleSpaceModel::CellPass {
public:
    CellPass(const ScaleSpaceModel& model, std::size_t cells) : model(model), cells(cells) {}

    QString sizeText(const long double& size) {
        if (!sizeTexts) {
            sizeTexts.emplace(cells);
        }
        return sizeTexts->get(size, [this](const long double& v) { return model.sizeText(v); });
    }
    QString weightText(const long double& weight) {
        if (!weightTexts) {
            weightTexts.emplace(cells);
        }
        return weightTexts->get(weight,
                                [this](const long double& v) { return model.weightText(v); });
    }
    // The weight of a size in Function mode, with its text.
    const WeightEntry& functionWeight(const long double& size) {
        if (!functionWeights) {
            functionWeights.emplace(cells);
        }
        return functionWeights->get(size, [this](const long double& v) {
            const long double weight = model.functionWeight(v);
            return WeightEntry{weight, model.weightText(weight)};
        });
    }
    // A typed weight moved from the previous attenuation to the current one, with its text.
    const WeightEntry& rescaledWeight(const long double& weight) {
        if (!rescaledWeights) {
            rescaledWeights.emplace(cells);
        }
        return rescaledWeights->get(weight, [this](const long double& v) {
            const long double rescaled = model.rescaledWeight(v);
            return WeightEntry{rescaled, model.weightText(rescaled)};
        });
    }

private:
    const ScaleSpaceModel& model;
    std::size_t cells;
    std::optional<NumberMemo<QString>> sizeTexts;
    std::optional<NumberMemo<QString>> weightTexts;
    std::optional<NumberMemo<WeightEntry>> functionWeights;
    std::optional<NumberMemo<WeightEntry>> rescaledWeights;
};

QString formatNumber(const long double& value, const int& precision, const bool& scientific) {
    std::array<char, 160> buffer{};
    const auto result = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), value,
        scientific ? std::chars_format::scientific : std::chars_format::general, precision);
    if (result.ec == std::errc()) {
        return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    }
    // Only precisions far beyond any display need more room.
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream.precision(precision);
    if (scientific) {
        stream << std::scientific;
    }
    stream << value;
    return QString::fromStdString(stream.str());
}

bool isFraction(const QString& text) {
    return fractionPattern().match(text.trimmed()).hasMatch();
}

long double parseFraction(const QString& text) {
    const QRegularExpressionMatch match = fractionPattern().match(text.trimmed());
    if (!match.hasMatch()) {
        throw std::invalid_argument("Invalid fraction format");
    }
    // A whole number or numerator outside the 32-bit range would read as 0 and store a size
    // of 0: such a text is refused instead.
    bool wholeInRange = false;
    const int whole = match.captured(1).toInt(&wholeInRange);
    if (!wholeInRange) {
        throw std::invalid_argument("Number out of range");
    }
    const QString numeratorText = match.captured(2);
    const QString mixedDenominatorText = match.captured(3);
    if (!numeratorText.isEmpty() && !mixedDenominatorText.isEmpty()) {
        bool numeratorInRange = false;
        const int numerator = numeratorText.toInt(&numeratorInRange);
        if (!numeratorInRange) {
            throw std::invalid_argument("Number out of range");
        }
        bool denominatorInRange = false;
        const int denominator = mixedDenominatorText.toInt(&denominatorInRange);
        if (!denominatorInRange) {
            throw std::invalid_argument("Number out of range");
        }
        if (denominator == 0) {
            throw std::runtime_error("Denominator cannot be zero");
        }
        // The sign belongs to the whole mixed number, also when the whole part is 0: "-0 1/2"
        // is -1/2. Whole times denominator may leave 32 bits; both factors fit in 31, so 64
        // suffice.
        const bool negative = match.capturedView(1).startsWith(QLatin1Char('-'));
        const qint64 scaled = qint64(whole) * denominator;
        const qint64 total = negative ? scaled - numerator : scaled + numerator;
        return static_cast<double>(total) / static_cast<double>(denominator);
    }
    const QString denominatorText = match.captured(4);
    if (!denominatorText.isEmpty()) {
        bool inRange = false;
        const int denominator = denominatorText.toInt(&inRange);
        if (!inRange || denominator == 0) {
            throw std::runtime_error("Denominator cannot be zero");
        }
        return static_cast<double>(whole) / static_cast<double>(denominator);
    }
    return whole;
}

ScaleSpaceModel::ScaleSpaceModel(ScaleSpace* scaleSpace, QObject* parent)
    : QAbstractTableModel(parent), range(scaleSpace != nullptr ? scaleSpace->noteCount() + 1 : 0),
      scaleSpace(scaleSpace), weightFunction(unitWeight), fixedNotes{0} {
    registerMetaTypes();
    rebuildCache();
}

ScaleSpaceModel::ScaleSpaceModel(QObject* parent)
    : QAbstractTableModel(parent), weightFunction(unitWeight), fixedNotes{0} {
    registerMetaTypes();
}

ScaleSpaceModel::~ScaleSpaceModel() = default;

int ScaleSpaceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : range;
}

int ScaleSpaceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : range;
}

QVariant ScaleSpaceModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !isCellIndex(index)) {
        return QVariant();
    }
    return makeValue(index.row(), index.column());
}

bool ScaleSpaceModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (index.row() == index.column()) {
        return false;
    }
    bool ok = false;
    const long double number = makeDataValue(index, value, role, ok);
    if (ok) {
        switch (intervalMode) {
        case IntervalMode::Weight:
            // Weights are rescaled by each other: an infinite one would zero all the rest.
            if (std::isinf(number)) {
                refusal = outOfRangeReason();
                break;
            }
            emit aboutToEdit();
            setWeightData(index, number);
            emit edited();
            return true;
        case IntervalMode::Size:
            // A space without notes stores no interval that the edit could change.
            if (noteCount() == 0) {
                return false;
            }
            refusal = sizeRefusal(index, number);
            if (!refusal.isEmpty()) {
                break;
            }
            emit aboutToEdit();
            setSizeData(index, number);
            emit edited();
            return true;
        }
    }
    if (!refusal.isEmpty()) {
        emit editRefused(value.toString().trimmed(), refusal);
    }
    return false;
}

ScaleSpaceModel::SizeEdit ScaleSpaceModel::planSizeEdit(const int& row, const int& column,
                                                        const long double& size) const {
    const int count = noteCount();
    const int distance = column - row;
    if (std::abs(distance) % count == 0) {
        // A note and one of its own repetitions: the cell fixes the repetition interval.
        const double exponent = static_cast<double>(count) / static_cast<double>(distance);
        return {count, 0, std::pow(size, static_cast<long double>(exponent)), true};
    }
    long double factor = size / scaleSpace->getIntervalSize(column, row);
    int low = scaleSpace->getBaseNote(row);
    int high = scaleSpace->getBaseNote(column);
    if (high < low) {
        std::swap(low, high);
        factor = 1 / factor;
    }
    return {high, low, factor * scaleSpace->getIntervalSize(high, low), false};
}

QString ScaleSpaceModel::sizeRefusal(const QModelIndex& index, const long double& size) const {
    if (!(size > 0)) {
        // Every number of cents is a positive ratio: 0 here is one too small to hold.
        return displayMode == DisplayMode::Cents ? outOfRangeReason() : notPositiveReason();
    }
    // The mirror cell shows the reciprocal: it must be a usable size as well.
    if (!isUsableSize(size) || !isUsableSize(1 / size)) {
        return outOfRangeReason();
    }
    const SizeEdit edit = planSizeEdit(index.row(), index.column(), size);
    if (!(edit.value > 0)) {
        return notPositiveReason();
    }
    if (!isUsableSize(edit.value)) {
        return outOfRangeReason();
    }
    return QString();
}

Qt::ItemFlags ScaleSpaceModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    if (!index.isValid()) {
        return base;
    }
    const int row = index.row();
    const int column = index.column();
    const Qt::ItemFlags locked = base & ~(Qt::ItemIsEditable | Qt::ItemIsEnabled);
    if (row == column) {
        return locked;
    }
    if (!fixedNotes.empty() && row != 0 && column != 0) {
        const auto isFixed = [this](int note) {
            return std::find(fixedNotes.begin(), fixedNotes.end(), note) != fixedNotes.end();
        };
        if (isFixed(row) || isFixed(column)) {
            return locked;
        }
    }
    return base | Qt::ItemIsEditable;
}

QString ScaleSpaceModel::makeValue(int row, int column) const {
    if (!isInRange(row, column)) {
        return calculateValue(row, column);
    }
    switch (intervalMode) {
    case IntervalMode::Weight:
        return cell(row, column).weightText;
    case IntervalMode::Size:
        return cell(row, column).sizeText;
    }
    return QStringLiteral("Invalid Interval Mode");
}

QString ScaleSpaceModel::calculateValue(const int& row, const int& column) const {
    const long double size = spaceIntervalSize(row, column);
    if (intervalMode == IntervalMode::Size) {
        return sizeText(size);
    }
    return weightText(calculateIntervalWeight(size));
}

Interval ScaleSpaceModel::interval(const int& row, const int& column) const {
    if (isInRange(row, column)) {
        return cell(row, column).interval;
    }
    const long double size = spaceIntervalSize(row, column);
    return Interval(size, calculateIntervalWeight(size));
}

long double ScaleSpaceModel::sizeValue(const int& row, const int& column) const {
    const long double size =
        isInRange(row, column) ? cell(row, column).interval.size : spaceIntervalSize(row, column);
    return displayMode == DisplayMode::Cents ? 1200 * std::log2(size) : size;
}

long double ScaleSpaceModel::weightValue(const int& row, const int& column) const {
    if (isInRange(row, column)) {
        return cell(row, column).interval.weight;
    }
    return calculateIntervalWeight(spaceIntervalSize(row, column));
}

long double ScaleSpaceModel::currentValue(const int& row, const int& column) const {
    switch (intervalMode) {
    case IntervalMode::Weight:
        return weightValue(row, column);
    case IntervalMode::Size:
        return sizeValue(row, column);
    }
    return 1;
}

long double ScaleSpaceModel::calculateIntervalWeight(const long double& size) const {
    return weightMode == WeightMode::Function ? functionWeight(size) : 1;
}

const CellCache& ScaleSpaceModel::cellCache(const int& row, const int& column) const {
    if (!isInRange(row, column)) {
        // Callers keep inside the range; a default cell is safer than reading past the cache.
        static const CellCache outside;
        return outside;
    }
    return cell(row, column);
}

long double ScaleSpaceModel::forceEditValueRatio(const long double& value) const {
    return displayMode == DisplayMode::Cents ? std::pow(2.0L, value / 1200) : value;
}

QString ScaleSpaceModel::sizeText(long double size) const {
    if (displayMode == DisplayMode::Cents) {
        return formatNumber(1200 * std::log2(size), precision, true);
    }
    return formatNumber(size, precision, false);
}

QString ScaleSpaceModel::weightText(long double weight) const {
    return formatNumber(weight, precision, true);
}

QString ScaleSpaceModel::defaultText() const {
    if (intervalMode == IntervalMode::Size && displayMode == DisplayMode::Cents) {
        return QStringLiteral("0");
    }
    return QStringLiteral("1");
}

void ScaleSpaceModel::setRange(int newRange) {
    // A negative range has no table; it is ignored like any other unusable input.
    if (newRange == range || newRange < 0) {
        return;
    }
    beginResetModel();
    fixedNotes.erase(std::remove_if(fixedNotes.begin(), fixedNotes.end(),
                                    [newRange](int note) { return note >= newRange; }),
                     fixedNotes.end());
    const int oldRange = range;
    range = newRange;
    updateCache(oldRange);
    endResetModel();
}

void ScaleSpaceModel::setScaleSpace(ScaleSpace* newScaleSpace) {
    beginResetModel();
    scaleSpace = newScaleSpace;
    rebuildCache();
    endResetModel();
}

std::vector<long double> ScaleSpaceModel::getWeights() const {
    std::vector<long double> weights;
    weights.reserve(cache.size());
    for (const CellCache& cell : cache) {
        weights.push_back(cell.interval.weight);
    }
    return weights;
}

void ScaleSpaceModel::restoreWeights(const std::vector<long double>& weights) {
    if (weights.size() != cache.size()) {
        return;
    }
    beginResetModel();
    weightMode = WeightMode::Arbitrary;
    for (std::size_t position = 0; position < cache.size(); ++position) {
        cache[position].interval.setWeight(weights[position]);
        cache[position].weightText = weightText(weights[position]);
    }
    endResetModel();
}

void ScaleSpaceModel::reset() {
    beginResetModel();
    rebuildCache();
    endResetModel();
}

void ScaleSpaceModel::setDisplayMode(DisplayMode mode) {
    if (mode == displayMode) {
        return;
    }
    beginResetModel();
    displayMode = mode;
    refreshSizeDisplayCache();
    endResetModel();
}

void ScaleSpaceModel::setIntervalMode(IntervalMode mode) {
    if (mode == intervalMode) {
        return;
    }
    beginResetModel();
    intervalMode = mode;
    endResetModel();
}

void ScaleSpaceModel::setPrecision(const int& newPrecision) {
    if (newPrecision == precision) {
        return;
    }
    beginResetModel();
    precision = newPrecision;
    updateDisplayCaches();
    endResetModel();
}

void ScaleSpaceModel::setWeightMode(WeightMode mode) {
    if (mode == weightMode) {
        return;
    }
    // The cached weights stay: from now on they count as typed weights.
    weightMode = mode;
    if (mode == WeightMode::Arbitrary) {
        emit weightModeArbitrary();
    }
}

void ScaleSpaceModel::setAttenuation(int newAttenuation) {
    if (newAttenuation == attenuation) {
        return;
    }
    beginResetModel();
    previousAttenuation = attenuation;
    attenuation = newAttenuation;
    previousExponent = exponent;
    exponent = attenuationExponent(attenuation);
    refreshWeightCache();
    endResetModel();
}

void ScaleSpaceModel::setWeightFunction(const WeightFunction& function) {
    beginResetModel();
    // An empty function cannot be called; it stands for no weighting at all.
    weightFunction = function ? function : WeightFunction(unitWeight);
    weightMode = WeightMode::Function;
    refreshWeightCache();
    endResetModel();
}

void ScaleSpaceModel::setFixedNotes(const std::vector<int>& notes) {
    beginResetModel();
    fixedNotes.clear();
    for (const int note : notes) {
        if (note != 0 && note < range) {
            fixedNotes.push_back(note);
        }
    }
    endResetModel();
}

void ScaleSpaceModel::fixAllNotes() {
    if (range <= 1) {
        return;
    }
    fixedNotes.clear();
    for (int note = 1; note < range; ++note) {
        fixedNotes.push_back(note);
    }
}

void ScaleSpaceModel::resizeCache(const int& oldRange) const {
    const std::size_t cells = std::size_t(range) * std::size_t(range);
    const int shared = std::min(range, oldRange);
    if (shared <= 0 || cache.size() != std::size_t(oldRange) * std::size_t(oldRange)) {
        // Nothing to keep: free the old cells first, so that a large table is never held twice.
        if (cells > cache.capacity()) {
            std::vector<CellCache>().swap(cache);
        }
        cache.assign(cells, CellCache());
        return;
    }
    std::vector<CellCache> resized(cells);
    for (int row = 0; row < shared; ++row) {
        for (int column = 0; column < shared; ++column) {
            resized[std::size_t(row) * range + column] =
                std::move(cache[std::size_t(row) * oldRange + column]);
        }
    }
    cache.swap(resized);
}

void ScaleSpaceModel::updateCache(const int& row, const int& column) const {
    if (!isInRange(row, column)) {
        return;
    }
    computeCell(cell(row, column), spaceIntervalSize(row, column), nullptr);
}

void ScaleSpaceModel::updateCache(const int& oldRange) const {
    resizeCache(oldRange);
    if (range != 0 && range >= oldRange) {
        computeNewCells(oldRange);
    }
}

void ScaleSpaceModel::updateCacheWeight(long double weight, const int& row,
                                        const int& column) const {
    if (!isInRange(row, column)) {
        return;
    }
    storeWeight(weight, cell(row, column), nullptr);
}

void ScaleSpaceModel::updateCacheWeight(const int& row, const int& column) const {
    if (!isInRange(row, column)) {
        return;
    }
    refreshWeight(cell(row, column), nullptr);
}

void ScaleSpaceModel::refreshWeightCache() const {
    CellPass pass(*this, cache.size());
    for (CellCache& cached : cache) {
        refreshWeight(cached, &pass);
    }
}

void ScaleSpaceModel::refreshSizeDisplayCache() const {
    CellPass pass(*this, cache.size());
    for (CellCache& cached : cache) {
        cached.sizeText = pass.sizeText(cached.interval.size);
    }
}

void ScaleSpaceModel::updateDisplayCaches() const {
    CellPass pass(*this, cache.size());
    for (CellCache& cached : cache) {
        cached.sizeText = pass.sizeText(cached.interval.size);
        cached.weightText = pass.weightText(cached.interval.weight);
    }
}

long double ScaleSpaceModel::makeDataValue(const QModelIndex& index, const QVariant& value,
                                           const int& role, bool& ok) const {
    ok = false;
    refusal.clear();
    constexpr long double refused = 1;
    if (!isCellIndex(index) ||
        !QMetaType::canConvert(value.metaType(), QMetaType::fromType<QString>()) ||
        role != Qt::EditRole) {
        return refused;
    }
    if (value == QVariant(QStringLiteral("inf"))) {
        refusal = outOfRangeReason();
        return refused;
    }
    const QString text = value.toString().trimmed();
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    const bool fraction = isFraction(text);
    if (!isNumber && !fraction) {
        refusal = numberPattern().match(text).hasMatch() ? outOfRangeReason()
                                                         : QStringLiteral("it is not a number");
        return refused;
    }
    if (text.isEmpty() || index.row() == index.column()) {
        return refused;
    }
    if (intervalMode == IntervalMode::Size && displayMode == DisplayMode::Decimal && isNumber &&
        number == 0) {
        refusal = notPositiveReason();
        return refused;
    }
    long double result = 1;
    if (fraction) {
        // A zero denominator ("3/0") is an unusable text like any other: the edit is refused.
        try {
            result = parseFraction(text);
        } catch (const std::runtime_error&) {
            refusal = QStringLiteral("its denominator is zero");
            return refused;
        } catch (const std::exception&) {
            refusal = outOfRangeReason();
            return refused;
        }
    } else if (!readNumber(text.toStdString(), result)) {
        refusal = outOfRangeReason();
        return refused;
    }
    if (intervalMode == IntervalMode::Size) {
        result = forceEditValueRatio(result);
    }
    if (std::isnan(result)) {
        refusal = QStringLiteral("it is not a number");
        return refused;
    }
    ok = true;
    return result;
}

void ScaleSpaceModel::setSizeData(const QModelIndex& target, const long double& size) {
    const int count = noteCount();
    if (!isCellIndex(target) || target.row() == target.column() || count == 0) {
        return;
    }
    const SizeEdit edit = planSizeEdit(target.row(), target.column(), size);
    scaleSpace->setIntervalSize(edit.high, edit.low, edit.value);
    if (edit.repetition) {
        rebuildCache();
        emit dataChanged(index(0, 0), lastIndex(), editRoles);
        return;
    }
    const int low = edit.low;
    const int high = edit.high;

    // Every cell between the two note classes, in any period and direction, shows the one
    // stored size just changed.
    std::vector<QModelIndex> changed;
    for (int first = low; first < range; first += count) {
        for (int second = high; second < range; second += count) {
            updateCache(first, second);
            updateCache(second, first);
            changed.push_back(index(first, second));
            changed.push_back(index(second, first));
        }
    }
    for (const QModelIndex& changedIndex : changed) {
        emit dataChanged(changedIndex, changedIndex, editRoles);
    }
}

void ScaleSpaceModel::setWeightData(const QModelIndex& target, const long double& weight) {
    if (!isCellIndex(target)) {
        return;
    }
    if (weightMode == WeightMode::Function) {
        weightMode = WeightMode::Arbitrary;
        emit weightModeArbitrary();
    }
    const int row = target.row();
    const int column = target.column();
    const long double typed = weight < 0 ? 0 : weight;

    if (typed < 1) {
        updateCacheWeight(typed, row, column);
        updateCacheWeight(typed, column, row);
        emit dataChanged(target, target, editRoles);
        const QModelIndex mirror = index(column, row);
        emit dataChanged(mirror, mirror, editRoles);
        return;
    }

    // The edited interval becomes the heaviest; all others keep their proportions to it.
    updateCacheWeight(1, row, column);
    updateCacheWeight(1, column, row);
    CellPass pass(*this, cache.size());
    const int low = std::min(row, column);
    const int high = std::max(row, column);
    for (int i = 0; i < range; ++i) {
        for (int j = i + 1; j < range; ++j) {
            if (i == low && j == high) {
                continue;
            }
            CellCache& upward = cell(i, j);
            CellCache& downward = cell(j, i);
            storeWeight(upward.interval.weight / typed, upward, &pass);
            storeWeight(downward.interval.weight / typed, downward, &pass);
        }
    }
    emit dataChanged(index(0, 0), lastIndex(), editRoles);
}

bool ScaleSpaceModel::isInRange(int row, int column) const {
    return row >= 0 && column >= 0 && row < range && column < range;
}

bool ScaleSpaceModel::isCellIndex(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && isInRange(index.row(), index.column());
}

CellCache& ScaleSpaceModel::cell(int row, int column) const {
    return cache[std::size_t(row) * std::size_t(range) + std::size_t(column)];
}

int ScaleSpaceModel::noteCount() const {
    return scaleSpace != nullptr ? scaleSpace->noteCount() : 0;
}

long double ScaleSpaceModel::spaceIntervalSize(int row, int column) const {
    // Without a scale space every interval is taken as a unison, as in an empty space.
    return scaleSpace != nullptr ? scaleSpace->getIntervalSize(column, row) : 1;
}

long double ScaleSpaceModel::attenuationExponent(int value) const {
    return std::pow(10.0L, 1 - static_cast<long double>(value) / 50);
}

long double ScaleSpaceModel::functionWeight(const long double& size) const {
    const long double raw = weightFunction(size);
    // pow(x, 1) is x itself; skipping it saves a power per cell at the default attenuation.
    return exponent == 1 ? raw : std::pow(raw, exponent);
}

long double ScaleSpaceModel::rescaledWeight(const long double& weight) const {
    // Take the previous exponent off and put the current one on, so that moving the
    // attenuation away and back restores the typed weights.
    return std::pow(std::pow(weight, 1 / previousExponent), exponent);
}

void ScaleSpaceModel::computeCell(CellCache& target, const long double& size,
                                  CellPass* pass) const {
    long double weight = 1;
    QString text;
    if (weightMode == WeightMode::Function && pass != nullptr) {
        const WeightEntry& entry = pass->functionWeight(size);
        weight = entry.weight;
        text = entry.text;
    } else {
        if (weightMode == WeightMode::Function) {
            weight = functionWeight(size);
        } else if (weightMode == WeightMode::Arbitrary) {
            weight = target.interval.weight;
        }
        text = pass != nullptr ? pass->weightText(weight) : weightText(weight);
    }
    target.interval = Interval(size, weight);
    target.sizeText = pass != nullptr ? pass->sizeText(size) : sizeText(size);
    target.weightText = std::move(text);
}

void ScaleSpaceModel::storeWeight(long double weight, CellCache& target, CellPass* pass) const {
    target.interval.setWeight(weight);
    target.weightText = pass != nullptr ? pass->weightText(weight) : weightText(weight);
}

void ScaleSpaceModel::refreshWeight(CellCache& target, CellPass* pass) const {
    const long double size = target.interval.size;
    const long double weight = target.interval.weight;
    if (pass == nullptr) {
        long double refreshed = 1;
        if (weightMode == WeightMode::Function) {
            refreshed = functionWeight(size);
        } else if (weightMode == WeightMode::Arbitrary) {
            refreshed = rescaledWeight(weight);
        }
        storeWeight(refreshed, target, nullptr);
        return;
    }
    switch (weightMode) {
    case WeightMode::Function: {
        const WeightEntry& entry = pass->functionWeight(size);
        target.interval.setWeight(entry.weight);
        target.weightText = entry.text;
        return;
    }
    case WeightMode::Arbitrary: {
        const WeightEntry& entry = pass->rescaledWeight(weight);
        target.interval.setWeight(entry.weight);
        target.weightText = entry.text;
        return;
    }
    }
    storeWeight(1, target, pass);
}

void ScaleSpaceModel::rebuildCache() const {
    // Every cell starts again from a default one (weight 1); a cache of the right size is
    // reset in place rather than freed and allocated again.
    const std::size_t cells = std::size_t(range) * std::size_t(range);
    if (cache.size() != cells) {
        resizeCache(0);
    }
    CellPass pass(*this, cells);
    const TableSizes sizes(scaleSpace, range);
    for (int row = 0; row < range; ++row) {
        for (int column = 0; column < range; ++column) {
            CellCache& target = cell(row, column);
            target.interval = Interval();
            computeCell(target, sizes.size(row, column), &pass);
        }
    }
}

void ScaleSpaceModel::computeNewCells(int oldRange) const {
    CellPass pass(*this, cache.size());
    const TableSizes sizes(scaleSpace, range);
    for (int row = 0; row < range; ++row) {
        for (int column = row < oldRange ? oldRange : 0; column < range; ++column) {
            computeCell(cell(row, column), sizes.size(row, column), &pass);
        }
    }
}

QModelIndex ScaleSpaceModel::lastIndex() const {
    return index(range - 1, range - 1);
}
