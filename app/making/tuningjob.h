#pragma once

#include "app/making/searchclock.h"
#include "app/making/tuningmaking.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <vector>

// The background search of "Make": one task at a time on Qt's global thread pool, with its
// cancellation flag, its progress and its result. Progress and the end arrive on the thread
// that owns the job.
class TuningJob : public QObject {
    Q_OBJECT

public:
    explicit TuningJob(QObject* parent = nullptr);
    // Stops a running task and waits for it: the task reads this job's flag.
    ~TuningJob() override;

    // Starts a search of the request; a job that is running must be cancelled first.
    void start(TuningRequest request);
    // Asks the running task to stop; its result is dropped and finished() is not emitted.
    // False when no task runs.
    bool cancel();
    // Cancels and waits until the task has returned.
    void stop();
    bool isRunning() const { return future.isRunning(); }

signals:
    // The share of the work done, in millionths (workParts), rising within a run.
    void progressed(int parts);
    // The progress bar's format while a search runs, with the time left once it is known,
    // refreshed every second; the plain percentage once it has ended.
    void progressText(const QString& format);
    // Once per search, when it will take more than 10 s: how long, and what is quicker.
    void statusMessage(const QString& text);
    // A task that was not cancelled has ended: with its tuning, or empty when the search
    // failed.
    void finished(const std::vector<long double>& tuning);

private:
    void report(unsigned int run, int parts);
    void taskEnded();
    void stopClock();
    void announceCost();

    std::atomic<bool> cancelationRequest{false};
    QFuture<std::vector<long double>> future;
    QFutureWatcher<std::vector<long double>> watcher;
    // Numbers the tasks started, so that progress still queued from a cancelled one is
    // dropped.
    unsigned int run = 0;
    int highestParts = 0;
    int noteCount = 0;
    int announced = 0; // 1: over 10 s was said, 2: over a minute, 3: over 10 min, 4: over an hour
    SearchClock clock;
    QElapsedTimer elapsed;
    QTimer ticker;
};
