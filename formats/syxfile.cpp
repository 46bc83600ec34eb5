#include "formats/tuningformats.h"

#include <algorithm>
#include <cmath>

namespace formats {

namespace {

// A pitch is a semitone and a 14-bit fraction of it: steps of 100/16384 cents.
constexpr long double stepsPerCent = 16384.0L / 100.0L;
constexpr long long highestStep = 128LL * 16384 - 1;
constexpr int nameLength = 16;

// The three data bytes of one key: the nearest step, or 7F 7F 7F ("no change") when that lies
// beyond MIDI note 0 ... 127 and 16383/16384. Rounding first keeps a key that lies a hair
// below note 0 (as key 0 of standard tuning does in double precision) on note 0.
void appendKey(QByteArray& bytes, long double cents) {
    const long double exactStep = cents * stepsPerCent;
    if (!(exactStep > -0.5L) || exactStep >= highestStep + 0.5L) {
        bytes.append(3, char(0x7F));
        return;
    }
    // The very top step would be sent as 7F 7F 7F, which the standard reserves for "no
    // change": that key gets the step below it, 0.006 cents lower.
    const long long step = std::min(std::llround(exactStep), highestStep - 1);
    bytes.append(char(step >> 14));
    bytes.append(char((step >> 7) & 0x7F));
    bytes.append(char(step & 0x7F));
}

// Sixteen printable ASCII characters, padded with blanks.
QByteArray dumpName(const QString& title) {
    QByteArray name;
    for (const QChar c : title) {
        if (name.size() == nameLength) {
            break;
        }
        const char16_t code = c.unicode();
        name.append(code >= 0x20 && code < 0x7F ? char(code) : '_');
    }
    return name.leftJustified(nameLength, ' ');
}

} // namespace

QByteArray writeBulkTuningDump(const TuningDocument& document) {
    if (!mappingProblem(document.tuning).isEmpty()) {
        return QByteArray();
    }
    // F0 7E: universal non-real-time; 7F: every device; 08 01: bulk tuning dump; program 0.
    QByteArray bytes = QByteArray::fromHex("f07e7f080100");
    bytes.append(dumpName(document.title));
    for (const long double cents : keyCents(document.tuning, document.mapping)) {
        appendKey(bytes, cents);
    }
    char checksum = 0;
    for (qsizetype i = 1; i < bytes.size(); ++i) {
        checksum ^= bytes.at(i);
    }
    bytes.append(char(checksum & 0x7F));
    bytes.append(char(0xF7));
    return bytes;
}

} // namespace formats
