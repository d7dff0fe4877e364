#pragma once

#include <string>

// One voice of a score: its wave, envelope and colour, shared by every note it plays.
struct Instrument {
    enum class Wave { Sine, Triangle, Square, Saw, Noise, Kick, Snare, Hat };

    std::string name;
    Wave wave = Wave::Square;
    double gain = 0.5;
    double duty = 0.5;       // square waves only: the share of the period spent high
    double attack = 0.005;   // seconds from silence to full level
    double decay = 0.15;     // seconds for the fall towards the sustain level (time constant)
    double sustain = 0.6;    // level held while the note is down, 0..1
    double release = 0.06;   // seconds from note-off to silence
    double gate = 0.9;       // share of the written length the note is held
    double cutoff = 0;       // low-pass corner in Hz; 0 leaves the wave bright
    double vibratoRate = 0;  // Hz
    double vibratoDepth = 0; // semitones
    double sweep = 0;        // semitones above the note at the onset, gliding down to it
    double sweepTime = 0.05; // seconds the glide takes
    double detune = 0;       // cents; a second oscillator this far sharp thickens the voice

    // Drums ignore pitch and play from a step grid.
    bool percussive() const {
        return wave == Wave::Kick || wave == Wave::Snare || wave == Wave::Hat;
    }

    // Reads a wave name as written in a score; false for an unknown name.
    static bool waveFromName(const std::string& text, Wave& wave);
    // Sets one "key value" parameter; returns an explanation when the key or value is wrong.
    std::string setParameter(const std::string& key, double value);
};
