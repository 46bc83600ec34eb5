#include "tuning/plainsearch.h"

#include <cmath>
#include <limits>
#include <numeric>

long double prodWeights(const SearchInput& input, const int& note, const std::vector<int>& notes) {
    if (notes.empty()) {
        return 0;
    }
    long double product = 1;
    for (const int other : notes) {
        product *= input.weight(note, other);
    }
    return Interval::clamp(product);
}

long double sumProdWeights(const SearchInput& input, const std::vector<int>& notes) {
    long double sum = 0;
    for (const int note : notes) {
        sum += prodWeights(input, note, notes);
    }
    return sum;
}

long double traversePath(const SearchInput& input, const int& position,
                         const std::vector<int>& notes, const long double& pathWeight,
                         const long double& normaliser, std::atomic<bool>& cancelationRequest) {
    if (cancelationRequest) {
        return 1;
    }
    const int current = notes[position];
    std::vector<int> rest = notes;
    rest.erase(rest.begin() + position);
    // Used only for recursion, which an empty rest never reaches.
    const long double restNormaliser = rest.empty() ? std::numeric_limits<long double>::infinity()
                                                    : 1 / sumProdWeights(input, rest);

    long double result = 1;
    for (int k = 0; k < static_cast<int>(notes.size()); ++k) {
        const int via = notes[k];
        const long double exponent = Interval::clamp(normaliser * prodWeights(input, via, notes));
        long double proposal;
        if (via == 0 || input.isFixed(current) || via == current ||
            exponent * pathWeight <= input.cutoff) {
            proposal = input.sizeFromRoot(current);
        } else {
            const int restPosition = k > position ? k - 1 : k;
            proposal =
                input.size(current, via) * traversePath(input, restPosition, rest,
                                                        Interval::clamp(exponent * pathWeight),
                                                        restNormaliser, cancelationRequest);
        }
        result *= std::pow(proposal, exponent);
    }
    return result;
}

long double plainTuneNote(const SearchInput& input, const int& note,
                          std::atomic<bool>& cancelationRequest) {
    if (cancelationRequest || note == 0) {
        return 1;
    }
    if (input.isFixed(note)) {
        return input.sizeFromRoot(note);
    }
    std::vector<int> allNotes(static_cast<std::size_t>(input.noteCount()));
    std::iota(allNotes.begin(), allNotes.end(), 0);
    return traversePath(input, note, allNotes, 1, 1 / sumProdWeights(input, allNotes),
                        cancelationRequest);
}

std::vector<long double> plainTuning(const SearchInput& input,
                                     std::atomic<bool>& cancelationRequest) {
    std::vector<long double> tuning;
    for (int note = 0; note < input.noteCount(); ++note) {
        tuning.push_back(plainTuneNote(input, note, cancelationRequest));
    }
    return tuning;
}
