#pragma once

// Options the player can turn on beyond the original game; every one is off unless the
// options file says otherwise, and with all of them off the game plays exactly as before.
struct GameOptions {
    // How the round judges romaji: the settings' spellings only (the original game), both
    // spellings of each variable kana, every spelling an input method takes, or the player's
    // own romaji table.
    enum class Judging { Exact, Both, Ime, Custom };
    // Romaji, or kana typed on the JIS kana layout by key position.
    enum class Input { Romaji, Kana };

    Judging judging = Judging::Exact;
    Input input = Input::Romaji;
    // Draw the drill's characters and the round's phrases by the player's weak keys.
    bool weakKeys = false;
    // The size of every screen: 1 (the original), 1.5 or 2; 0 is the largest that fits.
    double scale = 1.0;

    bool acceptBothSpellings() const { return judging == Judging::Both; }
};
