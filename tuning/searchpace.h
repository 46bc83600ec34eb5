#pragma once

#include <cstddef>
#include <vector>

// How far a search in parts (notes, or notes searched together as one) has got, measured in
// time. The work counters of a search say little about the time ahead: the first depths are
// counted as much as the long walk, and the last parts can take most of the run. So each part
// is given the time a pilot forecast for it, the time actually spent counts as done, and every
// part that ends sets the pace of those still to come.
class SearchPace {
public:
    // Seconds that each note is forecast to take, in the order they are searched, and the
    // seconds spent before the first (the pilot's).
    SearchPace(std::vector<double> forecast, const double& spent);

    // The current note took this long; the next one begins.
    void noteEnded(const double& seconds);
    // The share of the whole search done after this many seconds in the current note, below 1.
    double share(const double& secondsInNote) const;

private:
    std::vector<double> forecast;
    std::size_t current = 0;
    double spent = 0;
    double endedForecast = 0;
    double endedReal = 0;
    // The forecast seconds that count as kept to before any note has ended.
    double trusted = 0;
};

// Each note's time at the search's cutoff, from pilots at cutoffs a factor 10 apart: the fine one
// `decades` factors of 10 above it, the coarse one a factor above that and the coarser one
// another (either may be empty). Every factor of 10 is taken to cost what the last did, as the
// whole pilot measured it; over the last two where the coarser pilot was long enough to tell,
// since the time grows unevenly (by 2 to 4 times a factor, in turns); at most 2.7 times a factor,
// since pilots this short are timed only roughly.
std::vector<double> forecastNotes(const std::vector<double>& coarser,
                                  const std::vector<double>& coarse,
                                  const std::vector<double>& fine, const int& decades);

// The forecast from the last three pilots (fewer at first), their times on the clock and in
// processor time. Their growth per factor of 10 is measured on the clock, unless the last one's
// threads together ran for less than its time on the clock: then they waited for a busy
// machine, whose waits shrink the growth on the clock (19edo at dial 950 beside a build: 1.6 on
// the clock, 3.1 in processor time, and a forecast of 13 s for a search of hours), and processor
// time measures it, at the clock's pace. One time per pilot in each, the finest last; not empty.
std::vector<double> forecastFromPilots(const std::vector<double>& wall,
                                       const std::vector<double>& processor, const int& decades);

// Whether a search is shorter than this many seconds, even if every factor of 10 below the fine
// pilot costs as much as it is likely to.
bool forecastsShortSearch(const std::vector<double>& fine, const int& decades,
                          const double& seconds);

// The share of a search done after `elapsed` seconds in all, of which its last stage has taken
// `staged` to do `done` of its `parts`, taken to cost alike; below 0 until that stage has run a
// fifth of a second and done any. From then on its own pace forecasts the rest better than the
// pilots do: their time grows unevenly with the cutoff.
double shareFromLastStage(const double& elapsed, const double& staged, const std::size_t& done,
                          const std::size_t& parts);
