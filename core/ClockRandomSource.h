#pragma once

#include "core/RandomSource.h"

#include <random>

// The real random source: a Mersenne Twister reseeded from the high-resolution clock.
class ClockRandomSource : public RandomSource {
public:
    ClockRandomSource();
    void reseed() override;
    float next() override;

private:
    std::mt19937 m_engine;
    unsigned m_reseeds = 0;
};
