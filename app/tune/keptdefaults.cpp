#include "app/tune/keptdefaults.h"

#include "app/shared/tuningconstants.h"
#include "app/work/workstate.h"

#include <algorithm>

namespace tune {

QString applyKeptDefaults(TuneOptions& options, const dbManager::ScaleSpaceRead& read,
                          const int& noteCount) {
    const DecodedWork decoded = decodeWork(read.extras, noteCount);
    const WorkState& work = decoded.work;
    const auto free = [&options](const char* name) {
        return !options.given.contains(QLatin1String(name));
    };
    if (decoded.present) {
        if (free("weights") && work.weightFunction == arbitraryFunctionName) {
            options.typedWeights = work.weights;
        } else if (free("weights") && !work.weightFunction.isEmpty()) {
            options.weightFunction =
                int(std::max<qsizetype>(weightFunctionNames.indexOf(work.weightFunction), 0));
        }
        options.attenuation = free("attenuation") ? work.attenuation : options.attenuation;
        options.dial = free("dial") ? work.dial : options.dial;
        if (free("range") && work.range > 0) {
            options.range = work.range;
        }
        const int range = options.range.value_or(noteCount + 1);
        // A selection the range given leaves behind is not the file's selection any more.
        if (free("notes") && !work.selected.empty() && work.selected.back() < range) {
            options.notes = work.selected;
        }
        if (free("fixed")) {
            options.fixed = work.fixed;
        }
    }
    QStringList ignored = decoded.ignored;
    if (read.extrasIgnored) {
        ignored.prepend(QStringLiteral("damaged rows"));
    }
    return ignored.isEmpty() ? QString()
                             : QStringLiteral("left out what the file keeps of %1: it could not "
                                              "be read")
                                   .arg(ignored.join(QStringLiteral(", ")));
}

QString weightingName(const TuneOptions& options) {
    return options.typedWeights ? arbitraryFunctionName
                                : weightFunctionNames.at(options.weightFunction);
}

} // namespace tune
