#include "app/tune/outputtarget.h"
#include "app/tune/tunecommand.h"

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Set by Control+C; loading a file and the search poll it. A lock-free atomic store is safe
// in a handler.
std::atomic<bool> cancelationRequest{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// A second Control+C ends the program at once, should the first go unnoticed. signal and
// raise are async-signal-safe.
extern "C" void requestCancelation(int) {
    if (cancelationRequest.exchange(true)) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
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
    // A full disk or a closed pipe fails only here, when the output leaves its buffer.
    if (const std::optional<QString> problem = tune::flushStandardOutput(out)) {
        err << QStringLiteral("quillmere-tune: ") << *problem << '\n';
        err.flush();
        return 1;
    }
    err.flush();
    return status;
}
