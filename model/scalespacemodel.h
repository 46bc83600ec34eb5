#pragma once

#include "core/interval.h"
#include "core/scalespace.h"

#include <QAbstractTableModel>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

// How sizes are shown and typed: as frequency ratios or in cents.
enum class DisplayMode { Decimal = 0, Cents = 1 };
// Whether the table shows and edits interval sizes or weights.
enum class IntervalMode { Size = 0, Weight = 1 };
// Whether weights come from the weight function or were typed by the user.
enum class WeightMode { Function = 0, Arbitrary = 1 };

Q_DECLARE_METATYPE(DisplayMode)
Q_DECLARE_METATYPE(IntervalMode)
Q_DECLARE_METATYPE(WeightMode)

// One cell of the table: its interval and both of its texts, made when the cell is computed
// so that painting is a lookup.
struct CellCache {
    Interval interval;
    QString sizeText;
    QString weightText;
};

// The text a narrow string stream with the given precision gives the value: the printf "%g"
// form, or the "%e" form when scientific. Independent of the C locale.
QString formatNumber(const long double& value, const int& precision, const bool& scientific);

// Whether the trimmed text is an integer ("-3"), a fraction ("3/2") or a mixed number
// ("1 1/2").
bool isFraction(const QString& text);
// The value of such a text; a minus sign negates a mixed number as a whole. Throws
// std::invalid_argument ("Invalid fraction format") when the text is none of them or a number
// in it leaves the 32-bit range, and std::runtime_error ("Denominator cannot be zero") for a
// zero denominator; nothing else.
long double parseFraction(const QString& text);

// The interval table: cell (r, c) is the interval from note r up to note c of the scale
// space, shown as its size or its weight. Every cell's interval and texts are cached in row
// order; the settings below keep the cache up to date.
class ScaleSpaceModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using WeightFunction = std::function<long double(long double)>;

    // Shows one period of the space and the repetition of note 0. The space is not owned.
    ScaleSpaceModel(ScaleSpace* scaleSpace, QObject* parent = nullptr);
    explicit ScaleSpaceModel(QObject* parent = nullptr);
    ~ScaleSpaceModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The shown text of any cell; cells outside the range are computed, not cached.
    QString makeValue(int row, int column) const;
    QString calculateValue(const int& row, const int& column) const;

    Interval interval(const int& row, const int& column) const;
    // The size in the display unit: a ratio, or cents.
    long double sizeValue(const int& row, const int& column) const;
    long double weightValue(const int& row, const int& column) const;
    long double currentValue(const int& row, const int& column) const;
    // The weight Function mode gives a size at the current attenuation; 1 otherwise.
    long double calculateIntervalWeight(const long double& size) const;
    // The cell must lie inside the range.
    const CellCache& cellCache(const int& row, const int& column) const;
    // A value typed in the display unit, as a ratio.
    long double forceEditValueRatio(const long double& value) const;

    QString sizeText(long double size) const;
    QString weightText(long double weight) const;
    // The text of a neutral value in the current modes, written when a cell is cleared.
    QString defaultText() const;

    void setRange(int newRange);
    int getRange() const { return range; }
    void setScaleSpace(ScaleSpace* newScaleSpace);
    // Rebuilds every cell, after the scale space was changed in place.
    void reset();
    void setDisplayMode(DisplayMode mode);
    DisplayMode getDisplayMode() const { return displayMode; }
    void setIntervalMode(IntervalMode mode);
    IntervalMode getIntervalMode() const { return intervalMode; }
    void setPrecision(const int& newPrecision);
    int getPrecision() const { return precision; }
    void setWeightMode(WeightMode mode);
    WeightMode getWeightMode() const { return weightMode; }
    void setAttenuation(int newAttenuation);
    int getAttenuation() const { return attenuation; }
    void setWeightFunction(const WeightFunction& function);
    void setFixedNotes(const std::vector<int>& notes);
    std::vector<int> getFixedNotes() const { return fixedNotes; }
    // Fixes notes 1 ... range - 1 without notifying the view.
    void fixAllNotes();

    // Cache maintenance: no reset or notification of their own.
    void resizeCache(const int& oldRange) const;
    void updateCache(const int& row, const int& column) const;
    void updateCache(const int& oldRange) const;
    void updateCacheWeight(long double weight, const int& row, const int& column) const;
    void updateCacheWeight(const int& row, const int& column) const;
    void refreshWeightCache() const;
    void refreshSizeDisplayCache() const;
    void updateDisplayCaches() const;

    // Editing: typed text into a ratio or a weight, and applying it.
    long double makeDataValue(const QModelIndex& index, const QVariant& value, const int& role,
                              bool& ok) const;
    void setSizeData(const QModelIndex& index, const long double& size);
    void setWeightData(const QModelIndex& index, const long double& weight);

    // Every cell's weight, row by row: what a typed weight changes.
    std::vector<long double> getWeights() const;
    // Puts back weights taken with getWeights for the same range, as typed weights (the mode
    // becomes Arbitrary without a signal), inside a reset. Weights of another count are ignored.
    void restoreWeights(const std::vector<long double>& weights);

    // Why the last refused text edit was refused, in a few words ("it is not a number", ...);
    // empty after an accepted one.
    QString lastRefusal() const { return refusal; }

signals:
    void weightModeArbitrary();
    // An accepted text edit is about to change the space or the weights, and has changed them.
    void aboutToEdit();
    void edited();
    // A typed text was refused; the reason is a few words such as "it is not a number".
    void editRefused(const QString& text, const QString& reason);

private:
    class CellPass;
    // The one stored size that typing `size` into the cell changes, and its new value: the
    // repetition interval (high = N, low = 0) or the size from base note low up to high.
    struct SizeEdit {
        int high;
        int low;
        long double value;
        bool repetition;
    };
    SizeEdit planSizeEdit(const int& row, const int& column, const long double& size) const;
    // Empty when typing the ratio into the cell would store a usable size; otherwise why not.
    QString sizeRefusal(const QModelIndex& index, const long double& size) const;

    bool isInRange(int row, int column) const;
    bool isCellIndex(const QModelIndex& index) const;
    CellCache& cell(int row, int column) const;
    int noteCount() const;
    long double spaceIntervalSize(int row, int column) const;
    long double attenuationExponent(int value) const;
    long double functionWeight(const long double& size) const;
    long double rescaledWeight(const long double& weight) const;
    void computeCell(CellCache& target, const long double& size, CellPass* pass) const;
    void storeWeight(long double weight, CellCache& target, CellPass* pass) const;
    void refreshWeight(CellCache& target, CellPass* pass) const;
    void rebuildCache() const;
    void computeNewCells(int oldRange) const;
    QModelIndex lastIndex() const;

    int range = 0;
    int precision = 4;
    int attenuation = 50;
    int previousAttenuation = 50;
    // The attenuation exponents of both attenuations, kept so that no pass recomputes them.
    long double exponent = 1;
    long double previousExponent = 1;
    ScaleSpace* scaleSpace = nullptr;
    DisplayMode displayMode = DisplayMode::Decimal;
    IntervalMode intervalMode = IntervalMode::Size;
    WeightMode weightMode = WeightMode::Function;
    WeightFunction weightFunction;
    std::vector<int> fixedNotes;
    mutable std::vector<CellCache> cache;
    mutable QString refusal;
};
