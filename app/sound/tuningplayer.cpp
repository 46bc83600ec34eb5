#include "app/sound/tuningplayer.h"

#include "audio/synthesizer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace sound {

namespace {

QAudioFormat soundFormat() {
    QAudioFormat format;
    format.setSampleRate(audio::sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// What the output holds ahead of what is heard: a fifth of a second, enough to ride out a busy
// moment of the machine.
constexpr qsizetype bufferFrames = audio::sampleRate / 5;

// Silence after the score, more than the output holds, so that stopping the output once
// everything has been read cuts none of the score.
constexpr std::int64_t tailFrames = bufferFrames + audio::sampleRate / 10;

// The most frames rendered for one read.
constexpr std::size_t readFrames = 16384;

// The score's sound, rendered block by block as the output reads it.
class ScoreDevice : public QIODevice {
public:
    explicit ScoreDevice(audio::Score score) : synthesizer(std::move(score)) {}

    bool isSequential() const override { return true; }

    qint64 bytesAvailable() const override {
        return 2 * (synthesizer.length() - synthesizer.position() + tail) +
               QIODevice::bytesAvailable();
    }

    bool atEnd() const override { return synthesizer.atEnd() && tail == 0; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto frames = std::min(readFrames, static_cast<std::size_t>(maxSize / 2));
        block.resize(frames);
        std::size_t done = synthesizer.render(block.data(), frames);
        const auto silence =
            std::min(static_cast<std::size_t>(tail), static_cast<std::size_t>(frames - done));
        std::fill_n(block.begin() + static_cast<std::ptrdiff_t>(done), silence, std::int16_t{0});
        tail -= static_cast<std::int64_t>(silence);
        done += silence;
        std::memcpy(data, block.data(), 2 * done);
        return static_cast<qint64>(2 * done);
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    audio::Synthesizer synthesizer;
    std::int64_t tail = tailFrames;
    std::vector<std::int16_t> block;
};

} // namespace

// Lives on the player's thread: owns the output and the sound it reads.
class SoundWorker : public QObject {
public:
    // `ended` is called on this thread with the run whose sound has ended or failed.
    explicit SoundWorker(std::function<void(unsigned int)> ended) : ended(std::move(ended)) {}

    void start(const audio::Score& score, const unsigned int& startedRun) {
        stop();
        run = startedRun;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            ended(run);
            return;
        }
        source = std::make_unique<ScoreDevice>(score);
        source->open(QIODevice::ReadOnly);
        sink = std::make_unique<QAudioSink>(device, soundFormat());
        // A sound server's own default holds seconds, so a key would be heard that much late.
        sink->setBufferSize(2 * bufferFrames);
        QAudioSink* current = sink.get();
        // The output may report from a thread of its own, so a report can arrive after this
        // sound was stopped or replaced: it is checked against the run it belongs to.
        connect(current, &QAudioSink::stateChanged, this,
                [this, current, startedRun](QAudio::State state) {
                    if (startedRun != run || !sink) {
                        return;
                    }
                    // The output also goes idle when it runs short for a moment; it resumes by
                    // itself.
                    const bool over =
                        (state == QAudio::IdleState && source->atEnd()) ||
                        (state == QAudio::StoppedState && current->error() != QAudio::NoError);
                    if (over) {
                        // Not from inside the sink's own signal: it is taken down here.
                        QMetaObject::invokeMethod(
                            this, [this, startedRun] { finish(startedRun); }, Qt::QueuedConnection);
                    }
                });
        current->start(source.get());
    }

    void stop() {
        if (sink) {
            sink->disconnect(this);
            sink->stop();
            sink.reset();
        }
        source.reset();
    }

    ~SoundWorker() override { stop(); }

private:
    // The sink of that run has played everything, or failed.
    void finish(const unsigned int& overRun) {
        if (overRun == run && sink) {
            stop();
            ended(run);
        }
    }

    std::function<void(unsigned int)> ended;
    std::unique_ptr<ScoreDevice> source;
    std::unique_ptr<QAudioSink> sink;
    unsigned int run = 0;
};

} // namespace sound

namespace {

// Long enough for the window to be mapped and painted first.
constexpr int discoveryDelay = 1000;

} // namespace

TuningPlayer::TuningPlayer(QObject* parent) : QObject(parent) {
    QTimer::singleShot(discoveryDelay, this, &TuningPlayer::discover);
}

void TuningPlayer::discover() {
    if (devices != nullptr) {
        return;
    }
    devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioOutputsChanged, this, &TuningPlayer::checkOutput);
    checkOutput();
}

bool TuningPlayer::isAvailable() {
    discover();
    return problem.isEmpty();
}

QString TuningPlayer::unavailableReason() {
    discover();
    return problem;
}

TuningPlayer::~TuningPlayer() {
    if (thread != nullptr) {
        // The worker is deleted on its own thread as that thread finishes, stopping the output.
        thread->quit();
        thread->wait();
    }
}

void TuningPlayer::checkOutput() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QString now;
    if (device.isNull()) {
        now = tr("No audio output was found: there is no sound device or no sound server.");
    } else if (!device.isFormatSupported(sound::soundFormat())) {
        now = tr("The audio output \"%1\" does not play 48 kHz 16-bit sound.")
                  .arg(device.description());
    }
    if (now != problem) {
        problem = now;
        if (!isAvailable()) {
            stop();
        }
        emit availabilityChanged();
    }
}

void TuningPlayer::play(const audio::Score& score) {
    if (!isAvailable()) {
        return;
    }
    if (thread == nullptr) {
        thread = new QThread(this);
        thread->setObjectName(QStringLiteral("Sound"));
        worker = new sound::SoundWorker([this](unsigned int endedRun) {
            QMetaObject::invokeMethod(
                this, [this, endedRun] { runEnded(endedRun); }, Qt::QueuedConnection);
        });
        worker->moveToThread(thread);
        connect(thread, &QThread::finished, worker, &QObject::deleteLater);
        thread->start();
    }
    const unsigned int startedRun = ++run;
    QMetaObject::invokeMethod(
        worker, [worker = worker, score, startedRun] { worker->start(score, startedRun); },
        Qt::QueuedConnection);
    setPlaying(true);
}

void TuningPlayer::stop() {
    if (!playing) {
        return;
    }
    ++run;
    QMetaObject::invokeMethod(
        worker, [worker = worker] { worker->stop(); }, Qt::QueuedConnection);
    setPlaying(false);
}

void TuningPlayer::setPlaying(const bool& nowPlaying) {
    if (playing != nowPlaying) {
        playing = nowPlaying;
        emit playingChanged(playing);
    }
}

void TuningPlayer::runEnded(const unsigned int& endedRun) {
    if (endedRun == run) {
        setPlaying(false);
    }
}
