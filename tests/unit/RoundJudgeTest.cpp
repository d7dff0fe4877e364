#include "round/RoundJudge.h"
#include "round/ProgramState.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

namespace {

using Lamp = RoundJudge::Lamp;
using Colour = RoundJudge::LampColour;

// The value that makes the phrase pick land on row n.
float phraseValue(int n) {
    return (static_cast<float>(n % 100) + 0.5f) / 100.0f;
}

class RoundJudgeTest : public testing::Test {
protected:
    RoundJudgeTest() {
        for (const auto& group : SpellingGroups::all())
            group.applyTo(variants, 0);
    }

    // The load's steps, the first phrase pinned to row `first`, and the countdown.
    void start(int first, int countdownTicks = 4) {
        judge.resetResults();
        judge.resetRound();
        random.push({phraseValue(first)});
        judge.MonSel();
        judge.takeTarget();
        for (int i = 0; i < countdownTicks; ++i)
            judge.countdownTick();
    }
    void type(const QString& keys) {
        for (QChar c : keys)
            judge.keyPress(QString(c));
    }
    // Types the phrase on show to its end; the next pick lands on row `next`.
    void completePhrase(int next = 3) {
        random.push({phraseValue(next)});
        const QString romaji = judge.romaji(); // a copy: typing shortens the judge's own
        type(romaji);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            judge.gameTick();
    }
    int visibleLamps() const {
        int n = 0;
        for (const Lamp& lamp : judge.lamps())
            n += lamp.visible;
        return n;
    }
    bool allLampsFull() const {
        for (const Lamp& lamp : judge.lamps())
            if (!(lamp == Lamp{}))
                return false;
        return true;
    }

    ProgramState state;
    VariantTable variants;
    ScriptedRandom random;
    RecordingMedia media;
    RoundJudge judge{state, variants, random, media};
};

} // namespace

// Keys typed during the countdown or after the end must not score, sound or move the romaji.
TEST_F(RoundJudgeTest, keysOutsidePlayChangeNothing) {
    start(3, 3);
    EXPECT_FALSE(judge.playing());
    type("e");
    EXPECT_EQ(judge.romaji(), "ego");
    EXPECT_EQ(judge.gameScore(), 0);
    EXPECT_TRUE(media.commands.empty());
    EXPECT_TRUE(judge.countdownTick());
    EXPECT_TRUE(judge.playing());

    ticks(RoundJudge::Budget);
    ASSERT_TRUE(judge.ended());
    type("egx");
    EXPECT_EQ(judge.romaji(), "ego");
    EXPECT_EQ(judge.gameScore(), 0);
    EXPECT_EQ(state.Combo, 0);
    EXPECT_TRUE(media.commands.empty());
}

// An idle player: the lamps drain one per 100 ticks (blue, then yellow from 300, red from 100),
// the round ends on exactly the 500th tick, and the results are the starting ones.
TEST_F(RoundJudgeTest, idleRoundDrainsTheLampsAndEndsAfter500Ticks) {
    state.FinalScore = 999;
    state.GameLevel = 7;
    state.MaxCombo = 12;
    state.NewRank = 2;
    start(3);
    EXPECT_EQ(state.GameLevel, 1);
    EXPECT_EQ(state.MaxCombo, 0);
    EXPECT_EQ(state.NewRank, 0);

    struct Step {
        int ticks;
        int visible;
        Colour t1;
    };
    // Ticks run so far, lamps still lit, colour of T1.
    const Step steps[] = {{99, 5, Colour::DarkBlue},  {100, 4, Colour::DarkBlue},
                          {199, 4, Colour::DarkBlue}, {200, 3, Colour::Yellow},
                          {300, 2, Colour::Yellow},   {399, 2, Colour::Yellow},
                          {400, 1, Colour::Red},      {499, 1, Colour::Red}};
    int done = 0;
    for (const Step& step : steps) {
        ticks(step.ticks - done);
        done = step.ticks;
        EXPECT_EQ(visibleLamps(), step.visible) << step.ticks;
        EXPECT_EQ(judge.lamps()[0].colour, step.t1) << step.ticks;
        EXPECT_FALSE(judge.ended()) << step.ticks;
    }
    EXPECT_TRUE(judge.gameTick());
    EXPECT_EQ(visibleLamps(), 0);
    EXPECT_EQ(state.FinalScore, 0);
    EXPECT_EQ(state.GameLevel, 1);
    EXPECT_EQ(state.MaxCombo, 0);
    EXPECT_FALSE(judge.gameTick()); // later ticks do not end it again

    EXPECT_FALSE(judge.endWaitTick());
    EXPECT_FALSE(judge.endWaitTick());
    EXPECT_TRUE(judge.endWaitTick());
    EXPECT_FALSE(judge.endWaitTick()); // the result screen is due once, not at every later tick
}

// A wrong key costs 20 points and the combo, never time or romaji, and turns the line red
// until the next correct key; the score may go negative.
TEST_F(RoundJudgeTest, wrongKeyCostsPointsAndComboButNeverTime) {
    start(3);
    ticks(250);
    type("x");
    EXPECT_EQ(judge.gameScore(), -20);
    EXPECT_EQ(state.Combo, 0);
    EXPECT_FALSE(judge.comboVisible());
    EXPECT_TRUE(judge.romajiRed());
    EXPECT_EQ(judge.romaji(), "ego");
    EXPECT_EQ(judge.target(), "e");
    EXPECT_EQ(judge.timeLeft(), 250);
    EXPECT_EQ(visibleLamps(), 3);
    EXPECT_EQ(media.commands,
              (std::vector<std::string>{"close \"music\\miss.wav\"", "play \"music\\miss.wav\""}));

    type("e");
    EXPECT_FALSE(judge.romajiRed());
    EXPECT_EQ(judge.gameScore(), -10);
    EXPECT_EQ(media.commands.back(), "play \"music\\ok.wav\"");
    EXPECT_EQ(media.count("close \"music\\ok.wav\""), 1);
}

// The combo label stays hidden for nine keys, shows from the tenth and counts on; a miss at
// 15 hides and empties it while MaxCombo keeps 15.
TEST_F(RoundJudgeTest, comboLabelShowsFromTheTenthKeyAndResetsOnAMiss) {
    start(10); // rorikyaraninekomimihahazusenai
    const QString romaji = judge.romaji();
    type(romaji.left(9));
    EXPECT_FALSE(judge.comboVisible());
    EXPECT_EQ(judge.comboCaption(), "9 COMBO!");
    type(romaji.mid(9, 1));
    EXPECT_TRUE(judge.comboVisible());
    EXPECT_EQ(judge.comboCaption(), "10 COMBO!");
    type(romaji.mid(10, 1));
    EXPECT_EQ(judge.comboCaption(), "11 COMBO!");
    type(romaji.mid(11, 4));
    EXPECT_EQ(state.MaxCombo, 15);
    type("#");
    EXPECT_FALSE(judge.comboVisible());
    EXPECT_EQ(judge.comboCaption(), "");
    EXPECT_EQ(state.Combo, 0);
    EXPECT_EQ(state.MaxCombo, 15);
}

// Case, blanks and control characters are judged exactly: the wrong case is a miss, a
// blank scores only where the romaji holds one, and Esc/Enter/Backspace cost 20 like letters.
TEST_F(RoundJudgeTest, judgesCaseBlanksAndControlCharactersExactly) {
    start(5); // MP5
    type("m");
    EXPECT_EQ(judge.gameScore(), -20);
    type("MP");
    EXPECT_EQ(judge.gameScore(), 0);
    EXPECT_EQ(judge.romaji(), "5");
    for (const char* key : {"\x1b", "\r", "\b", "\t", " "})
        judge.keyPress(QString::fromLatin1(key));
    EXPECT_EQ(judge.gameScore(), -100);
    EXPECT_EQ(judge.romaji(), "5");

    completePhrase(71); // I love milk
    const int32_t before = judge.gameScore();
    type("i");
    type(" ");
    type("I ");
    EXPECT_EQ(judge.gameScore(), before - 40 + 20);
    EXPECT_EQ(judge.romaji(), "love milk");
}

// The worked example, then a combo carried into the next phrase's bonus.
TEST_F(RoundJudgeTest, phraseBonusAddsLevelAndTheCarriedCombo) {
    start(59); // feari-teiru, 11 characters
    ASSERT_EQ(judge.romaji().size(), 11);
    completePhrase(10);
    EXPECT_EQ(judge.gameScore(), 320);
    EXPECT_EQ(judge.phraseCount(), 1);
    EXPECT_EQ(judge.phraseNumber(), 10);
    EXPECT_EQ(judge.target(), "r");
    EXPECT_EQ(judge.timeLeft(), RoundJudge::Budget);

    // 30 more keys with the combo going on from 11: 300 + 100 + 10 x 41.
    ASSERT_EQ(judge.romaji().size(), 30);
    completePhrase();
    EXPECT_EQ(judge.gameScore(), 320 + 300 + 100 + 410);
    EXPECT_EQ(state.MaxCombo, 41);
}

// Finishing a phrase on the last red lamp brings back all five in blue with the full budget.
TEST_F(RoundJudgeTest, completingAPhraseRefillsLampsFromRed) {
    start(3);
    ticks(450);
    ASSERT_EQ(judge.lamps()[0].colour, Colour::Red);
    completePhrase();
    EXPECT_TRUE(allLampsFull());
    EXPECT_EQ(judge.timeLeft(), RoundJudge::Budget);
    ticks(RoundJudge::Budget - 1);
    EXPECT_FALSE(judge.ended());
}

// Levels rise every 5 x level phrases down the 50, 45 ... 5, 4, 3, 2, 1 ms ladder; the bonus
// uses the level in force before the rise. From the 66th phrase on, each phrase at 1 ms gets
// 10 ticks less and shows a higher level while the bonus level stays 14. With 50 phrases at
// 1 ms the budget reaches 0 and then goes negative: the round must still end at the next tick.
TEST_F(RoundJudgeTest, levelsQuickenTheTickAndTheFastestStageStillEnds) {
    start(3);
    const int ladder[] = {45, 40, 35, 30, 25, 20, 15, 10, 5, 4, 3, 2, 1};
    for (int phrase = 1; phrase <= 65; ++phrase) {
        const int32_t before = judge.gameScore();
        const int bonusLevel = state.GameLevel;
        completePhrase();
        EXPECT_EQ(judge.gameScore(), before + 30 + 100 * bonusLevel + 10 * state.Combo) << phrase;
        EXPECT_EQ(judge.timeLeft(), RoundJudge::Budget) << phrase;
        if (phrase % 5 == 0) {
            EXPECT_EQ(judge.intervalMs(), ladder[phrase / 5 - 1]) << phrase;
            EXPECT_EQ(judge.level(), phrase / 5 + 1);
            EXPECT_EQ(state.GameLevel, judge.level());
        }
    }
    EXPECT_EQ(judge.level(), 14);
    EXPECT_EQ(judge.intervalMs(), 1);

    int32_t before = judge.gameScore();
    completePhrase(); // the 66th
    EXPECT_EQ(judge.timeLeft(), 490);
    EXPECT_EQ(judge.level(), 15);
    EXPECT_EQ(state.GameLevel, 14);
    EXPECT_EQ(judge.gameScore(), before + 30 + 1400 + 10 * state.Combo);
    completePhrase();
    EXPECT_EQ(judge.timeLeft(), 480);
    EXPECT_EQ(judge.intervalMs(), 1);

    for (int phrase = 68; phrase <= 114; ++phrase)
        completePhrase();
    EXPECT_EQ(judge.timeLeft(), 10);
    completePhrase(); // the 50th phrase at 1 ms: nothing left for the next one
    ASSERT_EQ(judge.timeLeft(), 0);
    EXPECT_TRUE(judge.gameTick());
    EXPECT_TRUE(judge.ended());
    EXPECT_EQ(state.GameLevel, judge.level());
    EXPECT_EQ(state.FinalScore, judge.gameScore());
}

// Dropping characters from the front, the middle and past the end.
TEST(RoundJudgeRemoveString, keepsTheHeadAndDropsTheCountAfterIt) {
    EXPECT_EQ(RoundJudge::RemoveString("ego", 0, "1"), "go");
    EXPECT_EQ(RoundJudge::RemoveString("o", 0, "1"), "");
    EXPECT_EQ(RoundJudge::RemoveString("abcdef", 2, "2"), "abef");
    EXPECT_EQ(RoundJudge::RemoveString("abc", 1, "5"), "a");
    EXPECT_EQ(RoundJudge::RemoveString("abc", 0, "0"), "abc");
}
