#include "app/making/tuningjob.h"

#include "tuning/searchthreads.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

TuningJob::TuningJob(QObject* parent) : QObject(parent) {
    connect(&watcher, &QFutureWatcherBase::finished, this, &TuningJob::taskEnded);
    // The time left counts down between reports of a search that advances slowly.
    ticker.setInterval(1000);
    connect(&ticker, &QTimer::timeout, this, [this] {
        emit progressText(clock.progressFormat(elapsed.elapsed()));
        announceCost();
    });
}

TuningJob::~TuningJob() {
    stop();
}

void TuningJob::start(TuningRequest request) {
    cancelationRequest = false;
    highestParts = 0;
    noteCount = static_cast<int>(request.pattern.size()) + 1;
    announced = 0;
    elapsed.start();
    clock.start(0);
    ticker.start();
    emit progressText(clock.progressFormat(0));
    const unsigned int thisRun = ++run;
    TuningJob* job = this;
    future = QtConcurrent::run(QThreadPool::globalInstance(), [job, thisRun,
                                                               request = std::move(request)] {
        // Queued on the job: Qt drops the calls still pending when it goes. The search
        // reports per note (percent) and by the work done (millionths).
        const auto show = [job, thisRun](int parts) {
            QMetaObject::invokeMethod(
                job, [job, thisRun, parts] { job->report(thisRun, parts); }, Qt::QueuedConnection);
        };
        const auto progress = [show](int percent) {
            show(percent * (workParts / 100));
        };
        // An exception kept in the future would be thrown again by every later wait for
        // it, this job's destructor included: a failed search gives no tuning instead.
        try {
            return makeTuning(request, job->cancelationRequest, progress, show);
        } catch (...) {
            return std::vector<long double>();
        }
    });
    watcher.setFuture(future);
}

bool TuningJob::cancel() {
    if (!future.isRunning()) {
        return false;
    }
    cancelationRequest = true;
    stopClock();
    return true;
}

void TuningJob::stop() {
    cancelationRequest = true;
    future.waitForFinished();
}

void TuningJob::report(unsigned int reportRun, int parts) {
    if (reportRun == run && !cancelationRequest && parts > highestParts) {
        highestParts = parts;
        emit progressed(parts);
        clock.report(parts, elapsed.elapsed());
        emit progressText(clock.progressFormat(elapsed.elapsed()));
        announceCost();
    }
}

void TuningJob::announceCost() {
    // The first estimates are rough: a search found long later is announced then, and again
    // each time it turns out to take over a minute, ten minutes or an hour (19edo at dial 950
    // first says half an hour, and its walk hours a few seconds later).
    const std::optional<double> total = clock.lengthAt(elapsed.elapsed());
    if (!total) {
        return;
    }
    int level = 0;
    for (const double bound : {10.0, 60.0, 600.0, 3600.0}) {
        level += *total > bound ? 1 : 0;
    }
    if (level > announced) {
        announced = level;
        emit statusMessage(searchCostText(*total, noteCount));
    }
}

void TuningJob::stopClock() {
    ticker.stop();
    emit progressText(QStringLiteral("%p%"));
}

void TuningJob::taskEnded() {
    stopClock();
    // A cancelled task's result is never shown.
    if (cancelationRequest || !future.isFinished()) {
        return;
    }
    emit finished(takeTuning(future).value_or(std::vector<long double>()));
}
