#pragma once

// Options the player can turn on beyond the original game; every one is off unless the
// options file says otherwise, and with all of them off the game plays exactly as before.
struct GameOptions {
    // Judge every variable kana by both of its group's spellings.
    bool acceptBothSpellings = false;
};
