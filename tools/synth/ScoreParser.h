#pragma once

#include "tools/synth/Score.h"

#include <string>

// Reads our note files: instruments, patterns of voices, and the song that strings them together.
//
//   tempo 132                      ; quarter notes a minute
//   beats 4                        ; quarter notes a bar
//   level rms -17                  ; or: level peak -1
//   ceiling -3                     ; highest peak allowed, dBFS
//   tail 0.12                      ; seconds to ring out and fall silent after the song
//   instrument lead square duty 0.25 attack 0.01 decay 0.2 sustain 0.5 gain 0.4
//   instrument kick kick
//   pattern A 2                    ; name, bars
//   lead c5/8 e5 g5 c6/4 | a5/2 g5 |
//   kick x...x...x...x... x...x...x...x...
//   end
//   song A A+5 A*2
//
// Notes are a pitch (c, c#, db ... b and an octave), "r" for a rest, or pitches joined by "+"
// for a chord, with "/N" for 1/N of a whole note ("." dots it) kept until the next "/N",
// "*N" to play it N times and "!" to accent. Drum voices step in sixteenths: "x" a hit, "X" an
// accent, "." silence.
// "|" checks that a voice stands on a bar line. ";" starts a comment.
class ScoreParser {
public:
    // Throws ScoreError naming sourceName and the line at the first fault.
    static Score parse(const std::string& text, const std::string& sourceName);
};
