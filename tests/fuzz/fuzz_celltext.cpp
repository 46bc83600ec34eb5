// The text typed into a cell: the fraction grammar, and the whole edit through the model in
// every unit. Only the fraction parser's two exceptions may leave it, and only the model may
// catch them; an edit must never store a size that is no number.
#include "core/scalespace.h"
#include "model/scalespacemodel.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

void checkFraction(const QString& text) {
    const bool fraction = isFraction(text);
    try {
        const long double value = parseFraction(text);
        if (!fraction || !std::isfinite(value)) {
            std::abort();
        }
    } catch (const std::invalid_argument&) {
    } catch (const std::runtime_error&) {
        if (!fraction) {
            std::abort();
        }
    }
}

void checkEdit(const QString& text, IntervalMode intervalMode, DisplayMode displayMode) {
    ScaleSpace space(QStringLiteral("fuzz"), {{1.25L, 1.5L, 2.0L}, {1.2L, 1.6L}, {4.0L / 3}});
    ScaleSpaceModel model(&space);
    model.setIntervalMode(intervalMode);
    model.setDisplayMode(displayMode);
    for (const auto& [row, column] : {std::pair{0, 2}, std::pair{3, 0}}) {
        if (model.setData(model.index(row, column), text, Qt::EditRole) &&
            intervalMode == IntervalMode::Size) {
            for (int i = 0; i < space.noteCount(); ++i) {
                for (int j = i + 1; j <= space.noteCount(); ++j) {
                    if (std::isnan(space.getIntervalSize(j, i))) {
                        std::abort();
                    }
                }
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkFraction(text);
    checkEdit(text, IntervalMode::Size, DisplayMode::Decimal);
    checkEdit(text, IntervalMode::Size, DisplayMode::Cents);
    checkEdit(text, IntervalMode::Weight, DisplayMode::Decimal);
    return 0;
}
