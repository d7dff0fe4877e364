#include "core/RandomSource.h"

#include <cstddef>

int RandomSource::draw(int low, int count) {
    int value = static_cast<int>(next() * static_cast<float>(count));
    if (value >= count) // guard against float rounding up to count
        value = count - 1;
    return low + value;
}

int RandomSource::pick(const std::vector<double>& weights) {
    const double r = static_cast<double>(next());
    double total = 0;
    for (const double w : weights)
        total += w;
    const double target = r * total;
    double running = 0;
    for (std::size_t i = 0; i + 1 < weights.size(); ++i) {
        running += weights[i];
        if (target < running)
            return static_cast<int>(i);
    }
    return weights.empty() ? 0 : static_cast<int>(weights.size()) - 1;
}
