#include "round/ProgramState.h"
#include "phrases/PhraseCatalogue.h"
#include "round/RoundJudge.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"
#include "tests/support/Spellings.h"

#include <gtest/gtest.h>

namespace {

float phraseValue(int n) {
    return (static_cast<float>(n % 100) + 0.5f) / 100.0f;
}

// A round judge on spelling A whose phrases are pinned by the test.
struct Round {
    explicit Round(bool acceptBoth) {
        for (const auto& group : SpellingGroups::all())
            group.applyTo(variants, 0);
        judge.setAcceptBothSpellings(acceptBoth);
    }
    void start(int first) {
        judge.resetResults();
        judge.resetRound();
        random.push({phraseValue(first)});
        judge.MonSel();
        judge.takeTarget();
        for (int i = 0; i < 4; ++i)
            judge.countdownTick();
    }
    void type(const QString& keys) {
        for (QChar c : keys)
            judge.keyPress(QString(c));
    }
    int misses() const { return media.count("play \"music\\miss.wav\""); }

    ProgramState state;
    VariantTable variants;
    ScriptedRandom random;
    RecordingMedia media;
    RoundJudge judge{state, variants, random, media};
};

// Phrase `number` drawn under spelling A, typed with group g on spelling choiceOf(g).
QString keysFor(int number, int (*choiceOf)(int)) {
    const VariantTable chosenA = spellingTable([](int) { return 0; });
    return spellPhrase(PhraseCatalogue::pieces(number, chosenA), spellingTable(choiceOf), chosenA);
}

int allB(int) {
    return 1;
}
int oddB(int g) {
    return g % 2;
}

} // namespace

// With the option on, all 100 phrases typed one after the other in spelling B, and again in
// a per-group mix, must score exactly as a flawless round: +10 for every key, the phrase bonus
// with the combo running on, not one miss sound, and every phrase completed at its last key.
TEST(RoundJudgeEitherSpelling, everyPhraseInTheOtherSpellingScoresAsFlawless) {
    for (auto choiceOf : {allB, oddB}) {
        Round r(true);
        r.start(1);
        int keysSoFar = 0;
        for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
            ASSERT_EQ(r.judge.phraseNumber(), n);
            const QString keys = keysFor(n, choiceOf);
            SCOPED_TRACE(keys.toStdString());
            const int32_t before = r.judge.gameScore();
            const int32_t bonusLevel = r.state.GameLevel;
            r.random.push({phraseValue(n + 1)});
            r.type(keys.chopped(1));
            ASSERT_EQ(r.judge.phraseCount(), n - 1) << "completed too early";
            r.type(keys.right(1));
            keysSoFar += keys.size();
            ASSERT_EQ(r.judge.phraseCount(), n);
            EXPECT_EQ(r.misses(), 0);
            EXPECT_EQ(r.state.Combo, keysSoFar);
            EXPECT_EQ(r.judge.gameScore(),
                      before + 10 * keys.size() + 100 * bonusLevel + 10 * keysSoFar);
        }
        EXPECT_EQ(r.state.MaxCombo, keysSoFar);
    }
}

// Q and the expected key follow the player: the chosen spelling until a key picks the other,
// then the rest of that one; a wrong key still costs 20, turns Q red and leaves it as it was.
TEST(RoundJudgeEitherSpelling, theRomajiLineFollowsThePlayersSpelling) {
    Round r(true);
    r.start(50);
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("nitibeisyuukoutuusyouzyouyaku"));
    r.type(QStringLiteral("nitibeis"));
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("yuukoutuusyouzyouyaku"));
    r.type(QStringLiteral("h"));
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("uukoutuusyouzyouyaku"));
    EXPECT_EQ(r.judge.target(), QStringLiteral("u"));
    EXPECT_EQ(r.judge.gameScore(), 90);

    r.type(QStringLiteral("y"));
    EXPECT_EQ(r.judge.gameScore(), 70);
    EXPECT_TRUE(r.judge.romajiRed());
    EXPECT_EQ(r.state.Combo, 0);
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("uukoutuusyouzyouyaku"));
    r.type(QStringLiteral("u"));
    EXPECT_FALSE(r.judge.romajiRed());
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("ukoutuusyouzyouyaku"));
    r.type(QStringLiteral("ukout"));
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("uusyouzyouyaku"));
    r.type(QStringLiteral("s")); // tsu: the s is the player's, the guide still wants the u
    EXPECT_EQ(r.judge.romaji(), QStringLiteral("uusyouzyouyaku"));
    EXPECT_EQ(r.judge.target(), QStringLiteral("u"));
}

// With the option off the judge must be today's, key for key, even for a judge that had it on
// for an earlier phrase: the same keys give the same score, combo, misses and romaji as a
// judge that never heard of it.
TEST(RoundJudgeEitherSpelling, withTheOptionOffTheOtherSpellingMissesAsBefore) {
    Round plain(false);
    Round switched(true);
    plain.start(3);
    switched.start(3);
    switched.judge.setAcceptBothSpellings(false); // takes effect from the next phrase
    for (Round* r : {&plain, &switched}) {
        r->random.push({phraseValue(50)});
        r->type(QStringLiteral("ego"));
    }
    const QString keys = keysFor(50, allB);
    for (QChar c : keys) {
        plain.type(QString(c));
        switched.type(QString(c));
        ASSERT_EQ(switched.judge.gameScore(), plain.judge.gameScore());
        ASSERT_EQ(switched.judge.romaji(), plain.judge.romaji());
        ASSERT_EQ(switched.state.Combo, plain.state.Combo);
    }
    EXPECT_GT(plain.misses(), 0);
    EXPECT_EQ(switched.misses(), plain.misses());
    EXPECT_EQ(switched.media.commands, plain.media.commands);
}
