#include "storage/scalafile.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

struct PitchReading {
    std::optional<long double> value;
    QString problem;
};

// Every size a scale space file holds must be one the tuning can use: a positive, finite
// double. The pitches are long doubles, so the test itself cannot overflow.
bool isUsableSize(const long double& size) {
    return size >= std::numeric_limits<double>::min() && size <= std::numeric_limits<double>::max();
}

QString outOfRange(const QString& token) {
    return QStringLiteral("\"%1\" is beyond the range of sizes").arg(token);
}

// A run of decimal digits, however long. Digits only, so the locale does not matter; a number
// beyond long double's range reads as infinity, which the caller refuses.
long double readDigits(const QString& digits) {
    return std::strtold(digits.toLatin1().constData(), nullptr);
}

PitchReading readPitch(const QString& token) {
    if (token.isEmpty()) {
        return {std::nullopt, QStringLiteral("no pitch")};
    }
    if (token.contains(QLatin1Char('.'))) {
        bool ok = false;
        const double cents = token.toDouble(&ok);
        if (!ok || !std::isfinite(cents)) {
            return {std::nullopt, QStringLiteral("\"%1\" is not a pitch in cents").arg(token)};
        }
        const long double value = std::exp2(static_cast<long double>(cents) / 1200.0L);
        if (!isUsableSize(value)) {
            return {std::nullopt, outOfRange(token)};
        }
        return {value, QString()};
    }
    static const QRegularExpression ratio(QStringLiteral("^([+-]?)(\\d+)(?:/([+-]?)(\\d+))?$"));
    const QRegularExpressionMatch match = ratio.match(token);
    if (!match.hasMatch()) {
        return {std::nullopt, QStringLiteral("\"%1\" is not a pitch").arg(token)};
    }
    if (match.captured(1) == QLatin1String("-") || match.captured(3) == QLatin1String("-")) {
        return {std::nullopt, QStringLiteral("\"%1\" is a negative ratio").arg(token)};
    }
    // Some files write numbers too long for any integer type.
    const long double numerator = readDigits(match.captured(2));
    const long double denominator =
        match.captured(4).isEmpty() ? 1.0L : readDigits(match.captured(4));
    if (denominator == 0) {
        return {std::nullopt, QStringLiteral("\"%1\" has a zero denominator").arg(token)};
    }
    if (numerator == 0) {
        return {std::nullopt, QStringLiteral("\"%1\" is a ratio of zero").arg(token)};
    }
    const long double value = numerator / denominator;
    if (!std::isfinite(numerator) || !std::isfinite(denominator) || !isUsableSize(value)) {
        return {std::nullopt, outOfRange(token)};
    }
    return {value, QString()};
}

// The first word of a line.
QString firstWord(QStringView line) {
    const QStringView trimmed = line.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && !trimmed[end].isSpace()) {
        ++end;
    }
    return trimmed.left(end).toString();
}

// A pitch and whatever follows it on its line, which the format ignores, also without a space
// between them ("3/2!fifth"): the pitch's own characters; the first word where there are none.
QString pitchWord(QStringView line) {
    const QStringView trimmed = line.trimmed();
    qsizetype end = 0;
    const auto numberCharacter = [&trimmed](qsizetype at) {
        const QChar c = trimmed[at];
        if (c.isDigit() || QStringView(u"./+-").contains(c)) {
            return true;
        }
        // An exponent ("1.e23") only where a number follows.
        return (c == u'e' || c == u'E') && at + 1 < trimmed.size() &&
               (trimmed[at + 1].isDigit() || QStringView(u"+-").contains(trimmed[at + 1]));
    };
    while (end < trimmed.size() && numberCharacter(end)) {
        ++end;
    }
    return end > 0 ? trimmed.left(end).toString() : firstWord(line);
}

// A "!" line, also when blanks come before the "!".
bool isComment(QStringView line) {
    for (const QChar character : line) {
        if (!character.isSpace()) {
            return character == QLatin1Char('!');
        }
    }
    return false;
}

// The lines of a text one at a time, as splitting at "\r\n", "\n" or "\r" would give them,
// without holding a list of them all: a file of nothing but line ends stays cheap.
class LineReader {
public:
    explicit LineReader(QStringView text) : text(text) {}

    bool next(QStringView& line) {
        if (position > text.size()) {
            return false;
        }
        qsizetype end = position;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r')) {
            ++end;
        }
        line = text.mid(position, end - position);
        if (end + 1 < text.size() && text[end] == QLatin1Char('\r') &&
            text[end + 1] == QLatin1Char('\n')) {
            ++end;
        }
        position = end + 1;
        ++number;
        return true;
    }
    // The one-based number of the line last read.
    qsizetype lineNumber() const { return number; }

private:
    QStringView text;
    qsizetype position = 0;
    qsizetype number = 0;
};

// Every cell of the scale space is one pitch divided by a lower one (Scala's 1/1 included):
// each must be a usable size too. The smallest and the largest of the pitches before k give
// the extreme cells ending at k; the index of the first pitch that fails, or -1.
qsizetype unusableCellPitch(const std::vector<long double>& pitches) {
    long double lowest = 1;
    long double highest = 1;
    for (std::size_t k = 0; k < pitches.size(); ++k) {
        if (!isUsableSize(pitches[k] / highest) || !isUsableSize(pitches[k] / lowest)) {
            return qsizetype(k);
        }
        lowest = std::min(lowest, pitches[k]);
        highest = std::max(highest, pitches[k]);
    }
    return -1;
}

} // namespace

ScalaParseResult parseScala(const QString& text) {
    enum class Expect { Description, Count, Pitch } expect = Expect::Description;
    ScalaScale scale;
    // Where each pitch stands, for a refusal of the intervals between them.
    std::vector<qsizetype> pitchLines;
    QStringList pitchTokens;
    long long count = 0;

    LineReader lines(text);
    QStringView line;
    while (lines.next(line)) {
        if (isComment(line)) {
            continue;
        }
        const auto where = [&lines] {
            return QStringLiteral("line %1: ").arg(lines.lineNumber());
        };
        switch (expect) {
        case Expect::Description:
            scale.description = line.trimmed().toString();
            expect = Expect::Count;
            break;
        case Expect::Count: {
            bool ok = false;
            count = firstWord(line).toLongLong(&ok);
            if (!ok || count < 0) {
                return {std::nullopt, where() + QStringLiteral("the count of pitches is missing")};
            }
            if (count == 0) {
                return {std::nullopt, where() + QStringLiteral("the scale has no pitches")};
            }
            // No table holds more notes than this; a larger count is a damaged file.
            if (count > 1024) {
                return {std::nullopt, where() + QStringLiteral("too many pitches (at most 1024)")};
            }
            scale.pitches.reserve(static_cast<std::size_t>(count));
            expect = Expect::Pitch;
            break;
        }
        case Expect::Pitch: {
            // Blank lines carry nothing; files edited by hand often have them.
            if (line.trimmed().isEmpty()) {
                break;
            }
            const QString token = pitchWord(line);
            const PitchReading pitch = readPitch(token);
            if (!pitch.value) {
                return {std::nullopt, where() + pitch.problem};
            }
            scale.pitches.push_back(*pitch.value);
            pitchLines.push_back(lines.lineNumber());
            pitchTokens.push_back(token);
            if (static_cast<long long>(scale.pitches.size()) == count) {
                if (const qsizetype bad = unusableCellPitch(scale.pitches); bad >= 0) {
                    return {std::nullopt,
                            QStringLiteral("line %1: \"%2\" makes an interval beyond the range "
                                           "of sizes")
                                .arg(pitchLines[std::size_t(bad)])
                                .arg(pitchTokens.at(bad))};
                }
                return {scale, QString()};
            }
            break;
        }
        }
    }
    switch (expect) {
    case Expect::Description:
        return {std::nullopt, QStringLiteral("the file holds no scale")};
    case Expect::Count:
        if (scale.description.isEmpty()) {
            return {std::nullopt, QStringLiteral("the file holds no scale")};
        }
        return {std::nullopt, QStringLiteral("the count of pitches is missing")};
    case Expect::Pitch:
        break;
    }
    return {std::nullopt,
            QStringLiteral("%1 pitches announced, %2 found").arg(count).arg(scale.pitches.size())};
}

QString formatScala(const QString& fileName, const QString& description,
                    const std::vector<long double>& pitches) {
    // Concatenated: arg() chains would read a "%1" in the name as a place for the next value.
    QString text = QStringLiteral("! ") + fileName + QStringLiteral("\n!\n") + description +
                   QStringLiteral("\n ") + QString::number(pitches.size()) +
                   QStringLiteral("\n!\n");
    for (const long double pitch : pitches) {
        const double cents = static_cast<double>(1200.0L * std::log2(pitch));
        text += QLatin1Char(' ') + QString::number(cents, 'f', 12) + QLatin1Char('\n');
    }
    return text;
}

SizePattern scalaSizePattern(const std::vector<long double>& pitches) {
    const std::size_t count = pitches.size();
    const auto pitch = [&pitches](std::size_t k) {
        return k == 0 ? 1.0L : pitches[k - 1];
    };
    SizePattern pattern(count);
    for (std::size_t i = 0; i < count; ++i) {
        pattern[i].reserve(count - i);
        for (std::size_t j = 0; i + j < count; ++j) {
            pattern[i].push_back(pitch(i + j + 1) / pitch(i));
        }
    }
    return pattern;
}
