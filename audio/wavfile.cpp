#include "audio/wavfile.h"

#include "audio/score.h"
#include "audio/synthesizer.h"

#include <QBuffer>
#include <QSaveFile>
#include <QtEndian>

#include <array>

namespace audio {

namespace {

void appendLittle16(QByteArray& bytes, const quint16& value) {
    std::array<char, 2> raw{};
    qToLittleEndian(value, raw.data());
    bytes.append(raw.data(), static_cast<qsizetype>(raw.size()));
}

void appendLittle32(QByteArray& bytes, const quint32& value) {
    std::array<char, 4> raw{};
    qToLittleEndian(value, raw.data());
    bytes.append(raw.data(), static_cast<qsizetype>(raw.size()));
}

// False, saying why if asked.
bool failWith(QString* error, const QString& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

} // namespace

QByteArray wavHeader(const std::int64_t& frames) {
    constexpr quint16 channels = 1;
    constexpr quint16 bitsPerSample = 16;
    constexpr quint16 blockAlign = channels * bitsPerSample / 8;
    const auto dataBytes = static_cast<quint32>(frames * blockAlign);
    QByteArray header;
    header.reserve(wavHeaderSize);
    header.append("RIFF");
    appendLittle32(header, wavHeaderSize - 8 + dataBytes);
    header.append("WAVE");
    header.append("fmt ");
    appendLittle32(header, 16);
    appendLittle16(header, 1); // integer PCM
    appendLittle16(header, channels);
    appendLittle32(header, sampleRate);
    appendLittle32(header, sampleRate * blockAlign);
    appendLittle16(header, blockAlign);
    appendLittle16(header, bitsPerSample);
    header.append("data");
    appendLittle32(header, dataBytes);
    return header;
}

bool writeWav(QIODevice& device, Synthesizer& synthesizer, QString* error) {
    const std::int64_t frames = synthesizer.length() - synthesizer.position();
    if (frames > wavMaxFrames) {
        return failWith(error, QStringLiteral("The sound is too long for a WAV file."));
    }
    if (device.write(wavHeader(frames)) != wavHeaderSize) {
        return failWith(error, device.errorString());
    }
    std::array<std::int16_t, 4096> block{};
    std::array<char, 2 * block.size()> bytes{};
    while (const std::size_t count = synthesizer.render(block.data(), block.size())) {
        for (std::size_t i = 0; i < count; ++i) {
            qToLittleEndian(block[i], bytes.data() + 2 * i);
        }
        const auto size = static_cast<qint64>(2 * count);
        if (device.write(bytes.data(), size) != size) {
            return failWith(error, device.errorString());
        }
    }
    return true;
}

bool writeWavFile(const QString& path, Synthesizer& synthesizer, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return failWith(error, file.errorString());
    }
    if (!writeWav(file, synthesizer, error)) {
        return false;
    }
    return file.commit() || failWith(error, file.errorString());
}

QByteArray tuningWave(const std::vector<long double>& tuning, const double& referenceFrequency) {
    Synthesizer synthesizer(tuningScore(tuning, referenceFrequency));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // A tuning of at most a table's notes lasts minutes, far below the format's limit.
    writeWav(buffer, synthesizer);
    return bytes;
}

} // namespace audio
