#pragma once

// Small readers of the synthesizer formats for the tests, written from the formats' own
// descriptions and sharing nothing with the writers: each gives every MIDI key's pitch in
// cents above MIDI note 0 of standard tuning, or why the file is wrong.

#include <QByteArray>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cmath>
#include <optional>
#include <vector>

namespace readers {

constexpr long double noteZeroHz = 8.1757989156437073L;

inline long double centsAboveNoteZero(long double hertz) {
    return 1200.0L * std::log2(hertz / noteZeroHz);
}

// The pitch every key should sound: key k plays degree (k - reference) mod M, moved by whole
// periods; degrees and period are the tuning's ratios to its first note.
inline std::vector<long double> expectedCents(const std::vector<long double>& tuning,
                                              int referenceKey, long double referenceHz) {
    const long double degrees = static_cast<long double>(tuning.size() - 1);
    std::vector<long double> cents;
    for (int key = 0; key < 128; ++key) {
        const long double periods = std::floor((key - referenceKey) / degrees);
        const auto degree = static_cast<std::size_t>(key - referenceKey - periods * degrees);
        const long double ratio =
            tuning[degree] / tuning[0] * std::pow(tuning.back() / tuning[0], periods);
        cents.push_back(centsAboveNoteZero(referenceHz) + 1200.0L * std::log2(ratio));
    }
    return cents;
}

struct KeyboardMapping {
    int size = 0;
    int first = 0;
    int last = 0;
    int middle = 0;
    int reference = 0;
    long double frequency = 0;
    int octaveDegree = 0;
    std::vector<int> map; // -1 for an "x" (unmapped) entry
    QString error;
};

// The values in their order, one per line that is not a "!" comment.
inline KeyboardMapping readKeyboardMapping(const QString& text) {
    KeyboardMapping kbm;
    QStringList values;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\\r?\\n")))) {
        if (!line.startsWith(QLatin1Char('!')) && !line.trimmed().isEmpty()) {
            values << line.trimmed().split(QRegularExpression(QStringLiteral("\\s+"))).first();
        }
    }
    if (values.size() < 7) {
        kbm.error = QStringLiteral("only %1 values").arg(values.size());
        return kbm;
    }
    kbm.size = values[0].toInt();
    kbm.first = values[1].toInt();
    kbm.last = values[2].toInt();
    kbm.middle = values[3].toInt();
    kbm.reference = values[4].toInt();
    kbm.frequency = values[5].toDouble();
    kbm.octaveDegree = values[6].toInt();
    for (qsizetype i = 7; i < values.size(); ++i) {
        kbm.map.push_back(values[i] == QLatin1String("x") ? -1 : values[i].toInt());
    }
    if (int(kbm.map.size()) != kbm.size) {
        kbm.error = QStringLiteral("%1 entries for a map of %2").arg(kbm.map.size()).arg(kbm.size);
    }
    return kbm;
}

// What a Scala-reading synthesizer plays with this mapping and a scale whose degree d (0 is
// the 1/1) has the ratio scale[d], scale[M] being the scale's last pitch.
inline std::vector<std::optional<long double>> keyCents(const KeyboardMapping& kbm,
                                                        const std::vector<long double>& scale) {
    const auto degreeCents = [&](int degree) {
        const int count = int(scale.size()) - 1;
        const int octaves = int(std::floor(double(degree) / count));
        return 1200.0L * std::log2(scale[std::size_t(degree - octaves * count)] / scale[0]) +
               octaves * 1200.0L * std::log2(scale.back() / scale[0]);
    };
    const auto mappedCents = [&](int key) -> std::optional<long double> {
        const int offset = key - kbm.middle;
        const int turns = int(std::floor(double(offset) / kbm.size));
        const int entry = kbm.map[std::size_t(offset - turns * kbm.size)];
        if (entry < 0) {
            return std::nullopt;
        }
        return degreeCents(entry) + turns * degreeCents(kbm.octaveDegree);
    };
    const long double referenceCents = *mappedCents(kbm.reference);
    std::vector<std::optional<long double>> cents;
    for (int key = 0; key < 128; ++key) {
        const std::optional<long double> mapped =
            key < kbm.first || key > kbm.last ? std::nullopt : mappedCents(key);
        cents.push_back(
            mapped ? std::optional(centsAboveNoteZero(kbm.frequency) + *mapped - referenceCents)
                   : std::nullopt);
    }
    return cents;
}

struct AnaMarkTuning {
    long double baseFrequency = 0;
    QMap<int, long double> exact; // [Exact Tuning]: key -> cents above baseFrequency
    QMap<int, long double> whole; // [Tuning]
    QString error;
};

inline AnaMarkTuning readAnaMarkTuning(const QString& text) {
    AnaMarkTuning tun;
    QString section;
    static const QRegularExpression note(QStringLiteral("^note\\s+(\\d+)\\s*=\\s*([-+0-9.eE]+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (QString line : text.split(QRegularExpression(QStringLiteral("\\r?\\n")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            section = line.toLower();
            continue;
        }
        if (section == QLatin1String("[exact tuning]") &&
            line.startsWith(QLatin1String("basefreq"), Qt::CaseInsensitive)) {
            tun.baseFrequency = line.section(QLatin1Char('='), 1).trimmed().toDouble();
            continue;
        }
        const QRegularExpressionMatch match = note.match(line);
        if (!match.hasMatch()) {
            tun.error = QStringLiteral("unreadable line '%1'").arg(line);
            return tun;
        }
        const int key = match.captured(1).toInt();
        const long double cents = std::stold(match.captured(2).toStdString());
        if (section == QLatin1String("[exact tuning]")) {
            tun.exact[key] = cents;
        } else if (section == QLatin1String("[tuning]")) {
            if (match.captured(2).contains(QLatin1Char('.'))) {
                tun.error = QStringLiteral("[Tuning] holds '%1'").arg(line);
                return tun;
            }
            tun.whole[key] = cents;
        }
    }
    return tun;
}

struct BulkDump {
    QByteArray name;
    int device = -1;
    int program = -1;
    std::vector<std::optional<long double>> cents; // nullopt for 7F 7F 7F, "no change"
    QString error;
};

// F0 7E dev 08 01 prog name[16] (xx yy zz)*128 checksum F7; a pitch is semitone xx plus
// (yy * 128 + zz) / 16384 of a semitone.
inline BulkDump readBulkDump(const QByteArray& bytes) {
    BulkDump dump;
    const auto byte = [&bytes](int i) {
        return int(static_cast<unsigned char>(bytes[i]));
    };
    if (bytes.size() != 408) {
        dump.error = QStringLiteral("%1 bytes").arg(bytes.size());
        return dump;
    }
    if (byte(0) != 0xF0 || byte(1) != 0x7E || byte(3) != 0x08 || byte(4) != 0x01 ||
        byte(407) != 0xF7) {
        dump.error = QStringLiteral("not a bulk tuning dump");
        return dump;
    }
    int checksum = 0;
    for (int i = 1; i < 406; ++i) {
        checksum ^= byte(i);
    }
    if ((checksum & 0x7F) != byte(406)) {
        dump.error = QStringLiteral("checksum %1, expected %2").arg(byte(406)).arg(checksum & 0x7F);
        return dump;
    }
    for (int i = 1; i < 407; ++i) {
        if (byte(i) > 0x7F) {
            dump.error = QStringLiteral("byte %1 has its high bit set").arg(i);
            return dump;
        }
    }
    dump.device = byte(2);
    dump.program = byte(5);
    dump.name = bytes.mid(6, 16);
    for (int key = 0; key < 128; ++key) {
        const int at = 22 + 3 * key;
        if (byte(at) == 0x7F && byte(at + 1) == 0x7F && byte(at + 2) == 0x7F) {
            dump.cents.push_back(std::nullopt);
        } else {
            dump.cents.push_back(100.0L * byte(at) +
                                 100.0L * (byte(at + 1) * 128 + byte(at + 2)) / 16384.0L);
        }
    }
    return dump;
}

} // namespace readers
