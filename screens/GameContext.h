#pragma once

#include "round/ProgramState.h"
#include "settings/GameOptions.h"
#include "settings/RoundStartLoader.h"
#include "settings/VariantTable.h"

class ErrorReporter;
class MediaInterface;
class MonotonicClock;
class Navigator;
class RandomSource;

// Everything a screen needs from the rest of the program; main() makes one and tests make
// their own with recording stand-ins.
struct GameContext {
    GameContext(RandomSource& random, MonotonicClock& clock, MediaInterface& media,
                Navigator& navigator, ErrorReporter& errors)
        : random(random), clock(clock), media(media), navigator(navigator), errors(errors) {}

    ProgramState state;
    VariantTable variants;
    GameOptions options;
    RoundStartLoader roundLoader; // its line count lives for the whole run

    RandomSource& random;
    MonotonicClock& clock;
    MediaInterface& media;
    Navigator& navigator;
    ErrorReporter& errors;
};
