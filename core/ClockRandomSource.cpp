#include "core/ClockRandomSource.h"

#include <chrono>

ClockRandomSource::ClockRandomSource() {
    reseed();
}

void ClockRandomSource::reseed() {
    // Two reseeds within one clock tick must not repeat the same sequence, so mix in a counter.
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seq{static_cast<unsigned>(now), static_cast<unsigned>(now >> 32), ++m_reseeds};
    m_engine.seed(seq);
}

float ClockRandomSource::next() {
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    float v = uniform(m_engine);
    return v < 1.0f ? v : 0.0f;
}
