// Scala files as --import reads them: no exception escapes, and a file that is accepted
// gives only pitches and intervals that a scale space file can hold and the tuning can use.
#include "storage/scalafile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

bool isUsableSize(long double size) {
    return size >= std::numeric_limits<double>::min() && size <= std::numeric_limits<double>::max();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ScalaParseResult result = parseScala(text);
    if (result.scale.has_value() == !result.error.isEmpty()) {
        std::abort();
    }
    if (!result.scale) {
        if (!result.error.contains(QStringLiteral("line ")) &&
            !result.error.contains(QStringLiteral("no scale")) &&
            !result.error.contains(QStringLiteral("count")) &&
            !result.error.contains(QStringLiteral("announced"))) {
            std::abort();
        }
        return 0;
    }
    const std::vector<long double>& pitches = result.scale->pitches;
    if (pitches.empty() || pitches.size() > 1024) {
        std::abort();
    }
    for (const auto& row : scalaSizePattern(pitches)) {
        for (const long double cell : row) {
            if (!isUsableSize(cell)) {
                std::abort();
            }
        }
    }
    return 0;
}
