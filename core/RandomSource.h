#pragma once

#include <vector>

// Where every random draw of the game comes from; tests put a scripted source in its place.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Reseed from the clock, as the game does before its draws.
    virtual void reseed() = 0;
    // A uniform value in [0, 1), single precision.
    virtual float next() = 0;

    // floor(next() * count) + low: the game's "uniform integer from low to low + count - 1".
    int draw(int low, int count);
    // One value from next(), read as an index into `weights` in proportion to each weight:
    // the draw of a weighted choice. Weights must be positive; the last index absorbs rounding.
    int pick(const std::vector<double>& weights);
};
