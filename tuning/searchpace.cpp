#include "tuning/searchpace.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

// The notes that have ended set the pace once they make up a fair part of the forecast: a
// note of some microseconds tells nothing of the rest.
constexpr double paceFromForecast = 0.05;

// A note that runs past its forecast is taken to need a tenth of it more, whatever it has taken.
constexpr double overrun = 0.1;

// Pilots shorter than this are mostly noise (the first also takes its memory from the system);
// a factor of 10 in the cutoff then counts this much.
constexpr double shortestPilot = 0.01;
constexpr double usualStep = 2.5;
// Seen on the built-in scale spaces between dial 700 and 950: 2 to 3. Pilots of a tenth of a
// second are timed to within a factor of 2 or so, and a step measured from two of them comes out
// as high as 3.2 where the search's own depths later took 2.5 to 2.7 (17edo at dial 900); over
// six factors of 10 that is a forecast 3 times too long. So no measured step counts over 2.7:
// with 2.8 the first second forecast 17edo at 900 1.4 times too long, 19edo at 900 1.4 times
// and 17edo at 950 2.3 times (only 19edo at 950, at 3.3 a factor, needs more, and its walk soon
// tells).
constexpr double fewestStep = 1.5;
constexpr double mostStep = 2.7;
constexpr double likelyMostStep = 3.5;

// A last stage tells its pace once it has run this long and done anything at all. Even from a few
// states that pace is closer than the pilots' forecast, which extrapolates over up to ten factors
// of 10. 19edo at dial 950: 20 to 50 min from its pilots, 4.3 h from the 17 states of its first
// 2 s, about 4 h at the pace of its first 7 min. 17edo at 950: 44 to 49 min from its pilots,
// 42 min from the 14 states of its first second, 30 min from the 96 of two; it takes 27.
constexpr double stageTimeShown = 0.2;

double sum(const std::vector<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0);
}

} // namespace

SearchPace::SearchPace(std::vector<double> forecast, const double& spent)
    : forecast(std::move(forecast)), spent(spent), trusted(paceFromForecast * sum(this->forecast)) {
}

void SearchPace::noteEnded(const double& seconds) {
    if (current < forecast.size()) {
        endedForecast += forecast[current];
        endedReal += seconds;
        spent += seconds;
        ++current;
    }
}

double SearchPace::share(const double& secondsInNote) const {
    const double scale =
        endedForecast + trusted > 0 ? (endedReal + trusted) / (endedForecast + trusted) : 1;
    double left = 0;
    if (current < forecast.size()) {
        const double expected = scale * forecast[current];
        left = std::max(expected - secondsInNote, overrun * expected);
        for (std::size_t note = current + 1; note < forecast.size(); ++note) {
            left += scale * forecast[note];
        }
    }
    const double done = spent + secondsInNote;
    return done + left > 0 ? std::min(done / (done + left), 1.0 - 1e-9) : 0;
}

std::vector<double> forecastNotes(const std::vector<double>& coarser,
                                  const std::vector<double>& coarse,
                                  const std::vector<double>& fine, const int& decades) {
    const double coarserTotal = sum(coarser);
    const double coarseTotal = sum(coarse);
    const double measured = coarserTotal >= shortestPilot  ? std::sqrt(sum(fine) / coarserTotal)
                            : coarseTotal >= shortestPilot ? sum(fine) / coarseTotal
                                                           : usualStep;
    const double step = std::clamp(measured, fewestStep, mostStep);
    std::vector<double> forecast(fine);
    for (double& seconds : forecast) {
        seconds *= std::pow(step, decades);
    }
    return forecast;
}

std::vector<double> forecastFromPilots(const std::vector<double>& wall,
                                       const std::vector<double>& processor, const int& decades) {
    const bool waited = processor.back() < wall.back();
    const std::vector<double>& measured = waited ? processor : wall;
    const auto back = [&measured](const std::size_t& steps) {
        return measured.size() > steps ? std::vector<double>{measured[measured.size() - 1 - steps]}
                                       : std::vector<double>();
    };
    std::vector<double> forecast = forecastNotes(back(2), back(1), back(0), decades);
    if (waited && processor.back() > 0) {
        for (double& seconds : forecast) {
            seconds *= wall.back() / processor.back();
        }
    }
    return forecast;
}

bool forecastsShortSearch(const std::vector<double>& fine, const int& decades,
                          const double& seconds) {
    return sum(fine) * std::pow(likelyMostStep, decades) < seconds;
}

double shareFromLastStage(const double& elapsed, const double& staged, const std::size_t& done,
                          const std::size_t& parts) {
    if (parts == 0 || done == 0 || staged < stageTimeShown) {
        return -1;
    }
    const double left =
        staged * static_cast<double>(parts - std::min(done, parts)) / static_cast<double>(done);
    return std::min(elapsed / (elapsed + left), 1.0 - 1e-9);
}
