#include "storage/scalafile.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <string>

namespace {

struct PitchReading {
    std::optional<long double> value;
    QString problem;
};

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
        return {std::exp2(static_cast<long double>(cents) / 1200.0L), QString()};
    }
    static const QRegularExpression ratio(QStringLiteral("^([+-]?)(\\d+)(?:/([+-]?)(\\d+))?$"));
    const QRegularExpressionMatch match = ratio.match(token);
    if (!match.hasMatch()) {
        return {std::nullopt, QStringLiteral("\"%1\" is not a pitch").arg(token)};
    }
    if (match.captured(1) == QLatin1String("-") || match.captured(3) == QLatin1String("-")) {
        return {std::nullopt, QStringLiteral("\"%1\" is a negative ratio").arg(token)};
    }
    // Digits only from here on, so std::stold cannot fail; it also takes numbers too long
    // for any integer type, as some files write them.
    const long double numerator = std::stold(match.captured(2).toStdString());
    const long double denominator =
        match.captured(4).isEmpty() ? 1.0L : std::stold(match.captured(4).toStdString());
    if (denominator == 0) {
        return {std::nullopt, QStringLiteral("\"%1\" has a zero denominator").arg(token)};
    }
    if (numerator == 0) {
        return {std::nullopt, QStringLiteral("\"%1\" is a ratio of zero").arg(token)};
    }
    const long double value = numerator / denominator;
    if (!std::isfinite(value) || value <= 0) {
        return {std::nullopt, QStringLiteral("\"%1\" is out of range").arg(token)};
    }
    return {value, QString()};
}

// The pitch is the first word of its line; anything after it is a comment.
QString firstWord(const QString& line) {
    const QString trimmed = line.trimmed();
    const qsizetype end = trimmed.indexOf(QRegularExpression(QStringLiteral("\\s")));
    return end < 0 ? trimmed : trimmed.left(end);
}

} // namespace

std::optional<long double> parseScalaPitch(const QString& pitchText) {
    return readPitch(pitchText.trimmed()).value;
}

ScalaParseResult parseScala(const QString& text) {
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\\r?\\n|\\r")));
    enum class Expect { Description, Count, Pitch } expect = Expect::Description;
    ScalaScale scale;
    long long count = 0;

    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString& line = lines.at(index);
        if (line.startsWith(QLatin1Char('!'))) {
            continue;
        }
        const QString where = QStringLiteral("line %1: ").arg(index + 1);
        switch (expect) {
        case Expect::Description:
            scale.description = line.trimmed();
            expect = Expect::Count;
            break;
        case Expect::Count: {
            bool ok = false;
            count = firstWord(line).toLongLong(&ok);
            if (!ok || count < 0) {
                return {std::nullopt, where + QStringLiteral("the count of pitches is missing")};
            }
            if (count == 0) {
                return {std::nullopt, where + QStringLiteral("the scale has no pitches")};
            }
            // No table holds more notes than this; a larger count is a damaged file.
            if (count > 1024) {
                return {std::nullopt, where + QStringLiteral("too many pitches (at most 1024)")};
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
            const PitchReading pitch = readPitch(firstWord(line));
            if (!pitch.value) {
                return {std::nullopt, where + pitch.problem};
            }
            scale.pitches.push_back(*pitch.value);
            if (static_cast<long long>(scale.pitches.size()) == count) {
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
    QString text =
        QStringLiteral("! %1\n!\n%2\n %3\n!\n").arg(fileName, description).arg(pitches.size());
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
