#pragma once

#include "tools/synth/Instrument.h"

#include <vector>

// A piece ready to render: its instruments and every note laid out on one tick line.
struct Score {
    // Ticks per whole note: divisible by 2, 3, 4, 8, 16, 32 and their dotted forms.
    static constexpr long TicksPerWhole = 384;
    static constexpr long TicksPerQuarter = TicksPerWhole / 4;

    struct Note {
        int instrument = 0;
        long start = 0;        // ticks
        long length = 0;       // ticks
        std::vector<int> keys; // MIDI key numbers; several make a chord, drums have one
        double velocity = 0.8;
    };

    enum class Level { Peak, Rms };

    double tempo = 120; // quarter notes a minute
    int beatsPerBar = 4;
    Level level = Level::Peak;
    double levelDb = -1;      // the peak or RMS the render is scaled to
    double ceilingDb = -1;    // no sample may rise above this, whatever the level asks
    double lengthSeconds = 0; // fixed length of the render; 0 means the song's own length
    // Time after the song for the last notes to die away: half a fade, half silence. A player
    // that resamples may drop the last few milliseconds of a file; then it drops only silence.
    double tailSeconds = 0;
    std::vector<Instrument> instruments;
    std::vector<Note> notes;
    long totalTicks = 0;

    double secondsPerTick() const { return 60.0 / tempo / TicksPerQuarter; }
    double durationSeconds() const {
        return (lengthSeconds > 0 ? lengthSeconds : totalTicks * secondsPerTick()) + tailSeconds;
    }
};
