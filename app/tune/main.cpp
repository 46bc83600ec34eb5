#include "app/tune/tunecommand.h"

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Set by Control+C; the search polls it. A lock-free atomic store is safe in a handler.
std::atomic<bool> cancelationRequest{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void requestCancelation(int) {
    cancelationRequest.store(true);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmere-tune"));
    std::signal(SIGINT, requestCancelation);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = tune::run(QCoreApplication::arguments().mid(1), out, err, cancelationRequest,
                                 isatty(STDERR_FILENO) == 1, isatty(STDOUT_FILENO) == 1);
    out.flush();
    err.flush();
    return status;
}
