#pragma once

#include "stats/RoundFigures.h"

#include <cstdint>

// The few values that outlive a screen: the window hand-over and the round's results.
struct ProgramState {
    // Position of the last screen window, in twips; the next screen opens there.
    int32_t WindowLeft = 0;
    int32_t WindowTop = 0;

    // Results that the typing round leaves for the result and name-entry screens.
    int32_t FinalScore = 0;
    int32_t GameLevel = 1;
    int32_t MaxCombo = 0;
    int16_t NewRank = 0;
    int32_t Combo = 0;
    // Speed, accuracy and misses of the last round, for the result screen and the history.
    RoundFigures figures;

    // The menu's remembered highlight.
    int16_t MenuSelection = 0;
    bool MenuShown = false;
};
