#include "core/scalespace.h"

#include <algorithm>
#include <cmath>

namespace {

// Floor division and the matching remainder, for any sign of the note.
int floorDiv(int value, int divisor) {
    int quotient = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
        --quotient;
    }
    return quotient;
}

// The note reduced by truncating division, as insertion and removal number them.
int truncRemainder(int note, int count) { return note - count * (note / count); }

} // namespace

// The parent is deliberately not passed on: the main window holds its scale space by value,
// and a Qt parent would delete it a second time.
ScaleSpace::ScaleSpace(const QString& name, const SizePattern& sizes, QObject* /*parent*/)
    : QObject(nullptr), name(name) {
    if (isValidPattern(sizes)) {
        sizePattern = sizes;
    }
    emit sizeChanged(noteCount() + 1);
}

bool ScaleSpace::isValidPattern(const SizePattern& pattern) {
    const std::size_t count = pattern.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (pattern[i].size() != count - i) {
            return false;
        }
    }
    return true;
}

void ScaleSpace::setSizePattern(const SizePattern& pattern) {
    if (&pattern != &sizePattern && isValidPattern(pattern)) {
        sizePattern = pattern;
    }
    emit sizeChanged(noteCount() + 1);
}

void ScaleSpace::setScaleSpace(const QString& newName, const SizePattern& sizes) {
    name = newName;
    setSizePattern(sizes);
}

long double ScaleSpace::getIntervalSize(int i, int j) const {
    const int count = noteCount();
    if (count == 0) {
        // Nothing to measure against: every interval of an empty space is taken as a unison.
        return 1;
    }
    const int a = floorDiv(i, count);
    const int b = floorDiv(j, count);
    const int baseI = i - a * count;
    const int baseJ = j - b * count;
    const long double factor =
        std::pow(sizePattern[0].back(), static_cast<long double>(a - b));
    if (baseI == baseJ) {
        return factor;
    }
    if (baseJ < baseI) {
        return sizePattern[baseJ][baseI - baseJ - 1] * factor;
    }
    return factor / sizePattern[baseI][baseJ - baseI - 1];
}

long double ScaleSpace::repetitionIntervalSize(const int& k) const {
    if (sizePattern.empty()) {
        return 0;
    }
    return std::pow(sizePattern[0].back(), static_cast<long double>(k));
}

int ScaleSpace::getBaseNote(const int& note) const {
    const int count = noteCount();
    if (count == 0) {
        return note;
    }
    return note - floorDiv(note, count) * count;
}

void ScaleSpace::setIntervalSize(const int& i, const int& j, const long double& size) {
    const int count = noteCount();
    if (j < 0 || j >= count || i <= j || i > count) {
        return;
    }
    sizePattern[j][i - j - 1] = size;
}

SizePattern ScaleSpace::makeSubSizePattern(std::vector<int> notes) const {
    if (notes.empty()) {
        return sizePattern;
    }
    std::sort(notes.begin(), notes.end());
    const std::size_t count = notes.size();
    SizePattern result(count - 1);
    for (std::size_t a = 0; a + 1 < count; ++a) {
        result[a].reserve(count - 1 - a);
        for (std::size_t b = a + 1; b < count; ++b) {
            result[a].push_back(getIntervalSize(notes[b], notes[a]));
        }
    }
    return result;
}

void ScaleSpace::addNote(int note, std::vector<long double> sizes) {
    const int count = noteCount();
    // An empty space takes only note 0, and no note is negative: anything else would index
    // outside the pattern.
    if (note < 0 || (count == 0 && note != 0)) {
        return;
    }
    int position = 0;
    if (note != 0) {
        const int remainder = truncRemainder(note, count);
        position = remainder != 0 ? remainder : count;
    }

    if (sizes.size() != static_cast<std::size_t>(count) + 1) {
        sizes.resize(count + 1, 1.0L);
        if (position == 0) {
            sizes.back() = count == 0 ? 0.0L : sizePattern[0].back();
        }
    }

    for (int i = 0; i < position; ++i) {
        sizePattern[i].insert(sizePattern[i].begin() + (position - 1 - i), 1.0L / sizes[i]);
    }
    sizePattern.insert(sizePattern.begin() + position,
                       std::vector<long double>(sizes.begin() + position, sizes.end()));

    if (count < 2) {
        emit spaceTooSmall(false);
    }
    emit sizeChanged(count + 2);
}

void ScaleSpace::removeNote(int note) {
    const int count = noteCount();
    if (count == 0 || note < 0) {
        return;
    }
    const int remainder = truncRemainder(note, count);
    if (remainder != 0) {
        for (int i = 0; i < remainder; ++i) {
            sizePattern[i].erase(sizePattern[i].begin() + (remainder - 1 - i));
        }
        sizePattern.erase(sizePattern.begin() + remainder);
    } else {
        std::vector<int> kept;
        kept.reserve(count);
        for (int k = 1; k < count; ++k) {
            kept.push_back(k);
        }
        kept.push_back(count + 1);
        sizePattern = makeSubSizePattern(kept);
        emit sizeChanged(noteCount() + 1);
    }
    if (noteCount() == 1) {
        emit spaceTooSmall(true);
    }
    emit sizeChanged(noteCount() + 1);
}
