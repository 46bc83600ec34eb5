#pragma once

// How long a search has run and how long it will still take, from the share of its work done:
// the progress bar's "42 % – 1:10 left" and the warning that a search will be long.

#include <QString>

#include <optional>

class SearchClock {
public:
    // Times in milliseconds since any fixed moment.
    void start(const qint64& now);
    // The share of the work done, in millionths (workParts), reported at `now`.
    void report(const int& parts, const qint64& now);

    // The whole search's length, extrapolated from the work done so far; none before the
    // first 200 ms or before any work is reported.
    std::optional<double> totalSeconds() const;
    // The whole search's length as it looks at `now`: longer than totalSeconds once a report as
    // large as the last is overdue.
    std::optional<double> lengthAt(const qint64& now) const;
    // What is left of lengthAt(now), never below a second while the search runs.
    std::optional<double> secondsLeft(const qint64& now) const;
    // The progress bar's format: "%p % – 1:10 left" (Qt puts the percentage in for %p), or
    // plain "%p %" while there is no estimate.
    QString progressFormat(const qint64& now) const;

private:
    qint64 started = 0;
    qint64 reported = 0;
    int parts = 0;
    // The rise of the last report.
    int step = 0;
};

// "0:42", "1:10", "1:02:03".
QString clockText(const double& seconds);
// "about 40 s", "about 3 min", "about 2 h".
QString roughDurationText(const double& seconds);
// The status line for a search of that length over that many notes: nothing under 10 s, the
// length beyond, and over a minute the quicker alternative.
QString searchCostText(const double& seconds, const int& noteCount);
