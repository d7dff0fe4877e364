#include "round/ProgramState.h"
#include "round/RoundJudge.h"
#include "settings/SpellingGroups.h"
#include "settings/VariantTable.h"
#include "stats/FiguresLine.h"
#include "stats/HistoryRecord.h"
#include "stats/RoundFigures.h"
#include "tests/support/Fakes.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {
void miss(RoundFigures& f, const char* keys) {
    for (const char* k = keys; *k; ++k)
        f.wrongKey(static_cast<char32_t>(*k));
}
} // namespace

// The weak keys are the most missed, most first, and equal counts keep the order in which the
// keys were first missed: catches ranking by character code, least first, or losing the tie
// order, and a list that runs past three.
TEST(RoundFigures, weakKeysAreTheMostMissedWithTiesInFirstMissedOrder) {
    RoundFigures f;
    miss(f, "tsnatsx"); // t2 s2 n1 a1 x1
    EXPECT_EQ(f.weakKeys(), (std::vector<char32_t>{U't', U's', U'n'}));
    miss(f, "xx"); // x3 now leads; a stays behind n, missed later
    EXPECT_EQ(f.weakKeys(), (std::vector<char32_t>{U'x', U't', U's'}));
    EXPECT_EQ(f.weakKeys(5), (std::vector<char32_t>{U'x', U't', U's', U'n', U'a'}));
    EXPECT_EQ(f.missesByKey().front(), (std::pair<char32_t, int>{U't', 2}));

    RoundFigures two;
    miss(two, "kk");
    two.wrongKey(QStringLiteral("é"));
    EXPECT_EQ(two.weakKeys(), (std::vector<char32_t>{U'k', U'é'}));
    EXPECT_EQ(FiguresLine::text(two).section(QStringLiteral("苦手"), 1), QStringLiteral(" k é"));
    // A character past U+FFFF is one key, not half of one.
    two.wrongKey(QStringLiteral("🍣"));
    EXPECT_EQ(two.weakKeys(), (std::vector<char32_t>{U'k', U'é', U'🍣'}));
}

// Speed is right keys per second of play, accuracy right over judged, and a round without keys
// or without play time reads 0.0 rather than dividing by zero; play time is only the stamped
// span and a second end stamp does not stretch it. The line carries exactly these figures.
TEST(RoundFigures, speedAccuracyAndTheLineFollowTheCountsAndThePlayTime) {
    RoundFigures f;
    EXPECT_EQ(FiguresLine::text(f), QStringLiteral("速度 0.0 打/秒　正確率 0.0%　ミス 0　苦手"));
    f.playBegins(5'000'000'000);
    for (int i = 0; i < 40; ++i)
        f.rightKey(U'a');
    f.wrongKey(U'b');
    EXPECT_EQ(f.seconds(), 0.0); // not over yet
    EXPECT_EQ(f.speed(), 0.0);
    f.playEnds(15'000'000'000);
    f.playEnds(99'000'000'000);
    EXPECT_DOUBLE_EQ(f.seconds(), 10.0);
    EXPECT_DOUBLE_EQ(f.speed(), 4.0);
    EXPECT_NEAR(f.accuracy(), 97.56, 0.01);
    EXPECT_EQ(f.keys(), 41);
    EXPECT_EQ(f.keysByKey(), (RoundFigures::KeyCounts{{U'a', 40}, {U'b', 1}}));
    EXPECT_EQ(FiguresLine::text(f), QStringLiteral("速度 4.0 打/秒　正確率 97.6%　ミス 1　苦手 b"));
    EXPECT_EQ(FiguresLine::text(f, false),
              QStringLiteral(
                  "速度 4.0 打/秒　正確率 97.6%　ミス 1　苦手 b（記録を保存できませんでした）"));

    f.wrongKey(U' ');
    f.wrongKey(U' ');
    f.wrongKey(char32_t{0x1B});
    EXPECT_TRUE(FiguresLine::text(f).endsWith(QStringLiteral("苦手 空白 b U+001B")));
    f.reset();
    EXPECT_EQ(f.keys(), 0);
    EXPECT_TRUE(f.missesByKey().empty());
}

// The judge feeds the figures: every judged key with the character it expected, each completed
// phrase, and a fresh start at the next round's load; keys in the countdown are not judged and
// not counted. Catches a hook on the wrong verdict, the expected character taken after the
// target has moved on, and figures carried over from the previous round.
TEST(RoundFigures, theJudgeCountsKeysPhrasesAndExpectedCharactersAndStartsAfresh) {
    ProgramState state;
    VariantTable variants;
    for (const auto& group : SpellingGroups::all())
        group.applyTo(variants, 0);
    ScriptedRandom random;
    RecordingMedia media;
    RoundJudge judge(state, variants, random, media);
    auto start = [&] {
        judge.resetResults();
        judge.resetRound();
        random.push({0.015f}); // phrase row 1
        judge.MonSel();
        judge.takeTarget();
    };
    start();
    judge.keyPress(QStringLiteral("x")); // countdown
    for (int i = 0; i < 4; ++i)
        judge.countdownTick();
    const QString romaji = judge.romaji();
    judge.keyPress(romaji.left(1));
    judge.keyPress(QStringLiteral("#"));
    for (QChar c : romaji.mid(1))
        judge.keyPress(QString(c));
    const RoundFigures& f = state.figures;
    EXPECT_EQ(f.phrases(), 1);
    EXPECT_EQ(f.keys(), romaji.size() + 1);
    EXPECT_EQ(f.misses(), 1);
    EXPECT_EQ(f.missesByKey(), (RoundFigures::KeyCounts{{romaji.at(1).unicode(), 1}}));
    EXPECT_EQ(f.keysByKey().front().first, romaji.at(0).unicode());
    int counted = 0;
    for (const auto& [key, n] : f.keysByKey())
        counted += n;
    EXPECT_EQ(counted, f.keys());

    start();
    EXPECT_EQ(f.keys(), 0);
    EXPECT_EQ(f.phrases(), 0);
}

// Each right key is timed from the previous right key, a miss in between adding to the time of
// the key it held up; the first key of each phrase and the first after play begins are not
// timed, nor keys typed without a time. Catches the reading of a new phrase counted as a slow
// key, a miss restarting the time, and the time put on the wrong character.
TEST(RoundFigures, keyTimesRunFromThePreviousRightKeyWithinAPhrase) {
    ProgramState state;
    VariantTable variants;
    for (const auto& group : SpellingGroups::all())
        group.applyTo(variants, 0);
    ScriptedRandom random;
    RecordingMedia media;
    RoundJudge judge(state, variants, random, media);
    judge.resetResults();
    judge.resetRound();
    random.push({0.035f}); // phrase row 3, "ego"
    judge.MonSel();
    judge.takeTarget();
    for (int i = 0; i < 4; ++i)
        judge.countdownTick();
    state.figures.playBegins(0);
    const int64_t ms = 1'000'000;
    judge.keyPress(QStringLiteral("e"), 5000 * ms); // reading time: not timed
    judge.keyPress(QStringLiteral("x"), 5100 * ms);
    judge.keyPress(QStringLiteral("g"), 5300 * ms); // g: 300 ms, the miss included
    random.push({0.035f});
    judge.keyPress(QStringLiteral("o"), 5400 * ms); // o: 100 ms; the phrase ends
    judge.keyPress(QStringLiteral("e"), 9000 * ms); // first of the next phrase
    judge.keyPress(QStringLiteral("g"), 9250 * ms); // g: 250 ms
    judge.keyPress(QStringLiteral("o"));            // untimed
    EXPECT_EQ(state.figures.timesByKey(),
              (RoundFigures::KeyTimes{{U'g', 550 * ms, 2}, {U'o', 100 * ms, 1}}));
    EXPECT_EQ(state.figures.keys(), 7);

    // Rounded to whole milliseconds in the record, with the options' modes and the kind.
    RoundFigures f;
    f.playBegins(0);
    f.rightKey(U'a', 1);
    f.rightKey(U'b', 1 + 1'499'999);
    f.rightKey(U'b', 1 + 1'499'999 + 500'000);
    GameOptions options;
    options.judging = GameOptions::Judging::Custom;
    options.input = GameOptions::Input::Kana;
    const HistoryRecord r = HistoryRecord::of(1, 1, 0, f, options, HistoryRecord::Kind::Drill,
                                              QDateTime::fromSecsSinceEpoch(0));
    EXPECT_EQ(r.timesByKey, (RoundFigures::KeyTimes{{U'b', 2, 2}}));
    EXPECT_EQ(r.judging, GameOptions::Judging::Custom);
    EXPECT_EQ(r.input, GameOptions::Input::Kana);
    EXPECT_EQ(r.kind, HistoryRecord::Kind::Drill);
    EXPECT_FALSE(r.bothSpellings);
}
