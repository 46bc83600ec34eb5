#pragma once

// RIFF/WAVE files of the synthesizer's sound: PCM, 16-bit, mono, at its sample rate.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace audio {

class Synthesizer;

constexpr int wavHeaderSize = 44;

// The most frames a file can hold: its RIFF size field counts bytes in 32 bits.
constexpr std::int64_t wavMaxFrames = (0xFFFFFFFFLL - (wavHeaderSize - 8)) / 2;

// The 44-byte header of a file of that many frames (at most wavMaxFrames).
QByteArray wavHeader(const std::int64_t& frames);

// Writes the header, then renders what is left of the synthesizer's score into the device. On
// failure `error`, if given, says why in one line.
bool writeWav(QIODevice& device, Synthesizer& synthesizer, QString* error = nullptr);

// The same into the file at the path, which holds all of it or, on failure, is as it was.
bool writeWavFile(const QString& path, Synthesizer& synthesizer, QString* error = nullptr);

// What Play Tuning plays (the tuning note by note, then as a chord, its first note at the
// reference frequency) as the bytes of a WAV file.
QByteArray tuningWave(const std::vector<long double>& tuning, const double& referenceFrequency);

} // namespace audio
