#include "app/live/liveoutput.h"

#include "app/live/keyplayer.h"
#include "audio/score.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>

#include <memory>

namespace live {

namespace {

QAudioFormat liveFormat() {
    QAudioFormat format;
    format.setSampleRate(audio::sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// What the output holds ahead of what is heard: eight blocks, 43 ms. Less risks gaps on a
// busy machine; more is heard as a late key.
constexpr qsizetype bufferBytes = 2 * 8 * KeyPlayer::blockFrames;

// The player's sound, for as long as it is read.
class PlayerDevice : public QIODevice {
public:
    PlayerDevice(KeyPlayer& player, QObject* parent) : QIODevice(parent), player(player) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return bufferBytes + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto frames = static_cast<std::size_t>(maxSize / 2);
        player.render(reinterpret_cast<std::int16_t*>(data), frames);
        return static_cast<qint64>(2 * frames);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    KeyPlayer& player;
};

} // namespace

// Lives on the output's thread: owns the sink and the device it reads.
class OutputWorker : public QObject {
public:
    // The device is the worker's child, so that it moves to the output's thread with it.
    explicit OutputWorker(KeyPlayer& player) : source(new PlayerDevice(player, this)) {}
    ~OutputWorker() override { stop(); }

    void start(const QAudioDevice& device) {
        stop();
        source->open(QIODevice::ReadOnly);
        sink = std::make_unique<QAudioSink>(device, liveFormat());
        sink->setBufferSize(bufferBytes);
        sink->start(source);
    }

    void stop() {
        if (sink) {
            sink->stop();
            sink.reset();
        }
        source->close();
    }

private:
    PlayerDevice* source;
    std::unique_ptr<QAudioSink> sink;
};

LiveOutput::LiveOutput(KeyPlayer& player, QObject* parent) : QObject(parent), player(player) {}

LiveOutput::~LiveOutput() {
    if (thread != nullptr) {
        thread->quit();
        thread->wait();
    }
}

bool LiveOutput::start() {
    if (running) {
        return true;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        reason = tr("No audio output was found: there is no sound device or no sound server.");
        return false;
    }
    if (!device.isFormatSupported(liveFormat())) {
        reason = tr("The audio output \"%1\" does not play 48 kHz 16-bit sound.")
                     .arg(device.description());
        return false;
    }
    reason.clear();
    if (thread == nullptr) {
        thread = new QThread(this);
        thread->setObjectName(QStringLiteral("Live sound"));
        worker = new OutputWorker(player);
        worker->moveToThread(thread);
        connect(thread, &QThread::finished, worker, &QObject::deleteLater);
        thread->start();
    }
    QMetaObject::invokeMethod(
        worker, [worker = worker, device] { worker->start(device); }, Qt::QueuedConnection);
    running = true;
    return true;
}

void LiveOutput::stop() {
    if (!running) {
        return;
    }
    running = false;
    QMetaObject::invokeMethod(
        worker, [worker = worker] { worker->stop(); }, Qt::QueuedConnection);
}

} // namespace live
