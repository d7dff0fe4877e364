#include "tools/synth/ScoreError.h"
#include "tools/synth/ScoreParser.h"
#include "tools/synth/Synthesizer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

const char* header = "tempo 120\n"
                     "beats 4\n"
                     "instrument lead square\n"
                     "instrument kick kick\n";

std::string errorOf(const std::string& text) {
    try {
        ScoreParser::parse(text, "tune.txt");
    } catch (const ScoreError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

// A typo in a note file must stop the build with the file, the line and what is wrong, never
// render something else in silence.
TEST(SoundSetScore, faultsNameTheFileTheLineAndTheProblem) {
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nlead c4/4 h4 c4 c4\nend\nsong A\n"),
              "tune.txt:6: 'h4' is not a note (like c4, f#5, bb3, r, c4+e4+g4, with /8)");
    // One beat too many in a voice would shift every later pattern against the others.
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nlead c4/4 d4 e4 f4 g4\nend\nsong A\n"),
              "tune.txt:7: in pattern 'A', 'lead' lasts 5 beats but the pattern 4");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 2\nlead c4/2 d4/4 | e4/2. f4/4 |\nend\n"),
              "tune.txt:6: bar line in 'lead' falls 3 beats into bar 1");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nkick x..ox...x...x...\nend\n"),
              "tune.txt:6: drum step 'o' in 'x..ox...x...x...' is none of x X . -");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nbass c2/1\nend\n"),
              "tune.txt:6: unknown instrument 'bass'");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nlead c4/1\nend\nsong A B\n"),
              "tune.txt:8: song names pattern 'B', which is not defined above");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nlead c4/1\n"),
              "tune.txt:5: pattern 'A' has no 'end'");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nlead c4/1\nend\n"),
              "tune.txt:7: no 'song' line names the patterns to play");
    EXPECT_EQ(errorOf("tempo fast\n"), "tune.txt:1: tempo: 'fast' is not a number");
    EXPECT_EQ(errorOf("tempo 1200\n"), "tune.txt:1: tempo 1200 lies outside 20..400");
    EXPECT_EQ(errorOf("instrument lead square cutof 900\n"),
              "tune.txt:1: unknown instrument parameter 'cutof'");
    EXPECT_EQ(errorOf(std::string(header) + "pattern A 1\nlead c4/5 c4\nend\n"),
              "tune.txt:6: note length '/5' in 'c4/5' does not fit the tick grid");
}

// Where each note lands: held-over lengths, dots, triplets, repeats, chords, accents, drum steps,
// and the song's transpositions and repeats. One slip here puts a voice out of time.
TEST(SoundSetScore, notesLandOnTheirTicksAndSongsStringPatternsTogether) {
    const Score s = ScoreParser::parse(std::string(header) + "pattern A 1\n"
                                                             "lead c4/8. d4/16 e4/12*3 r/4 g4+b4!\n"
                                                             "kick x...X...........\n"
                                                             "end\n"
                                                             "song A A+2*2 ; comment\n",
                                       "tune.txt");
    const long bar = 4 * Score::TicksPerQuarter;
    EXPECT_EQ(s.totalTicks, 3 * bar);
    ASSERT_EQ(s.notes.size(), 3u * 8u);
    const long starts[] = {0, 72, 96, 128, 160, 288, 0, 96};
    const long lengths[] = {72, 24, 32, 32, 32, 96, 24, 24};
    const int keys[] = {60, 62, 64, 64, 64, 67, 0, 0};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.notes[i].start, starts[i]);
        EXPECT_EQ(s.notes[i].length, lengths[i]);
        EXPECT_EQ(s.notes[i].keys.front(), keys[i]);
    }
    EXPECT_EQ(s.notes[5].keys, (std::vector<int>{67, 71}));
    EXPECT_DOUBLE_EQ(s.notes[5].velocity, 1.0);
    EXPECT_LT(s.notes[6].velocity, s.notes[7].velocity); // "X" hits harder than "x"
    // The repeats are transposed up two semitones, the drums untouched, and placed bar by bar.
    EXPECT_EQ(s.notes[8].keys.front(), 62);
    EXPECT_EQ(s.notes[16].start, 2 * bar);
    EXPECT_EQ(s.notes[16].keys.front(), 62);
    EXPECT_EQ(s.notes[14].keys.front(), 0);
    EXPECT_DOUBLE_EQ(s.durationSeconds(), 6.0); // three bars of 4/4 at 120
}

// The render is as long as the song, reaches its level exactly, stays under its ceiling, starts
// and ends on silence so a restarted loop never clicks, and is the same every time (the drums'
// noise included), so a rebuild changes no file it has no reason to change.
TEST(SoundSetScore, rendersAreLevelledLoopSafeAndRepeatable) {
    const std::string song = "pattern A 1\n"
                             "lead c4/8 e4 g4 c5 g4 e4 c4 g3\n"
                             "kick x...x...x...x...\n"
                             "end\nsong A*2\n";
    Score peak = ScoreParser::parse(std::string(header) + "level peak -1\n" + song, "a.txt");
    const auto first = Synthesizer::render(peak);
    ASSERT_EQ(first.size(), static_cast<std::size_t>(4 * Synthesizer::SampleRate));
    EXPECT_NEAR(Synthesizer::peakDb(first), -1.0, 0.01);
    EXPECT_EQ(first.front(), 0);
    EXPECT_EQ(first.back(), 0);
    EXPECT_EQ(Synthesizer::render(peak), first);

    const Score rms =
        ScoreParser::parse(std::string(header) + "level rms -20\nceiling -3\n" + song, "b.txt");
    const auto quiet = Synthesizer::render(rms);
    EXPECT_NEAR(Synthesizer::rmsDb(quiet), -20.0, 0.1);
    // Asking for more loudness than the ceiling allows stops at the ceiling.
    const Score loud =
        ScoreParser::parse(std::string(header) + "level rms -2\nceiling -3\n" + song, "c.txt");
    EXPECT_NEAR(Synthesizer::peakDb(Synthesizer::render(loud)), -3.0, 0.01);

    // A tail lets the last notes ring past the song's end, then leaves only silence to lose.
    Score tailed = peak;
    tailed.tailSeconds = 0.2;
    const auto rung = Synthesizer::render(tailed);
    ASSERT_EQ(rung.size(), static_cast<std::size_t>(4.2 * Synthesizer::SampleRate));
    const auto songEnd = rung.begin() + 4 * Synthesizer::SampleRate;
    EXPECT_TRUE(std::any_of(songEnd, songEnd + 100, [](std::int16_t s) { return s != 0; }));
    EXPECT_TRUE(std::all_of(rung.end() - Synthesizer::SampleRate / 10, rung.end(),
                            [](std::int16_t s) { return s == 0; }));

    // A fixed length cuts the song short, for effects that must stay brief.
    peak.lengthSeconds = 0.05;
    EXPECT_EQ(Synthesizer::render(peak).size(), std::size_t(0.05 * Synthesizer::SampleRate + 0.5));
}
