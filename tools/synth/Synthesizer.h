#pragma once

#include "tools/synth/Score.h"

#include <cstdint>
#include <vector>

// Turns a score into mono PCM: each note rendered on its own and summed, then levelled.
class Synthesizer {
public:
    // Low enough to keep the bundled files small, high enough for bright key effects.
    static constexpr int SampleRate = 22050;

    // The sum of all notes before any levelling, one float per sample.
    static std::vector<float> mix(const Score& score);
    // Scaled to the score's level, kept under its ceiling and faded to zero at both ends, so a
    // track restarted from its beginning never clicks.
    static std::vector<std::int16_t> render(const Score& score);

    static double peakDb(const std::vector<std::int16_t>& samples);
    static double rmsDb(const std::vector<std::int16_t>& samples);
};
