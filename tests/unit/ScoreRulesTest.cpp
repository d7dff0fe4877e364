#include "core/FileError.h"
#include "scores/RankCheck.h"
#include "scores/RatingLadder.h"
#include "scores/ResultCountUp.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
QString finalCaption(int32_t score) {
    return RatingLadder::rowsFor(score).back().caption;
}

const QStringList Table = {"5000", "4000", "3000", "2000", "1000", ""};
} // namespace

// Thresholds are "at least", 0 belongs to both bottom rows, and only the "worse than nothing"
// row leaves the label unwidened. Catches > for >=, a threshold moved up or down, a ladder
// that stops at the first match, and a widened negative rating.
TEST(RatingLadder, theLastReachedRowStaysAndAllButTheBottomOneWiden) {
    const auto negative = RatingLadder::rowsFor(-40);
    ASSERT_EQ(negative.size(), 1u);
    EXPECT_EQ(negative[0].caption, QStringLiteral("うわ、ひっどｗ"));
    EXPECT_FALSE(negative[0].widen);

    const auto zero = RatingLadder::rowsFor(0);
    ASSERT_EQ(zero.size(), 2u);
    EXPECT_EQ(zero[1].caption, QStringLiteral("残念"));
    EXPECT_TRUE(zero[1].widen);

    // Both sides of every threshold: a threshold moved either way shows here.
    const struct {
        int32_t atLeast;
        const char* below;
        const char* from;
    } thresholds[] = {
        {0, "うわ、ひっどｗ", "残念"},
        {10000, "残念", "うーん…。"},
        {30000, "うーん…。", "まぁまぁ"},
        {50000, "まぁまぁ", "いいですよー"},
        {80000, "いいですよー", "素晴らしい！"},
        {120000, "素晴らしい！", "美しい！"},
        {160000, "美しい！", "あなたは偉大です！"},
        {200000, "あなたは偉大です！", "ﾃﾗカザミナｗｗｗｗｗｗ"},
    };
    for (const auto& t : thresholds) {
        EXPECT_EQ(finalCaption(t.atLeast - 1), QString::fromUtf8(t.below)) << t.atLeast;
        EXPECT_EQ(finalCaption(t.atLeast), QString::fromUtf8(t.from)) << t.atLeast;
    }
    EXPECT_EQ(finalCaption(INT32_MAX), QStringLiteral("ﾃﾗカザミナｗｗｗｗｗｗ"));

    const auto top = RatingLadder::rowsFor(200000);
    ASSERT_EQ(top.size(), 8u);
    EXPECT_EQ(top.back().caption, QStringLiteral("ﾃﾗカザミナｗｗｗｗｗｗ"));
    for (const auto& row : top)
        EXPECT_TRUE(row.widen);
}

// The score rises 0, 100, 300, 600, ... and stops exactly on the final score; zero and
// negative scores end on the first tick. Catches a step added before the value, overshooting
// captions, and wrap-around near the 32-bit limit.
TEST(ResultCountUp, scoreClimbsInGrowingStepsAndEndsExactlyOnTheFinalScore) {
    ResultCountUp up(200000, 1, 0);
    std::vector<int64_t> shown;
    int ticks = 0;
    bool done = false;
    while (!done) {
        done = up.scoreTick();
        shown.push_back(up.ShownScore);
        ++ticks;
    }
    EXPECT_EQ((std::vector<int64_t>(shown.begin(), shown.begin() + 5)),
              (std::vector<int64_t>{0, 100, 300, 600, 1000}));
    EXPECT_EQ(ticks, 64);
    EXPECT_EQ(up.scoreCaption(), QStringLiteral("200000 点"));

    ResultCountUp negative(-40, 1, 0);
    EXPECT_TRUE(negative.scoreTick());
    EXPECT_EQ(negative.scoreCaption(), QStringLiteral("-40 点"));
    ResultCountUp zero(0, 1, 0);
    EXPECT_TRUE(zero.scoreTick());
    EXPECT_EQ(zero.scoreCaption(), QStringLiteral("0 点"));

    ResultCountUp huge(INT32_MAX, 1, 0);
    while (!huge.scoreTick()) {
    }
    EXPECT_EQ(huge.scoreCaption(), QString::number(INT32_MAX) + QStringLiteral(" 点"));
}

// Level and combo count one per tick; level 1 and combo 0 end on the first tick showing 1 and
// 0. Catches a count-up that never ends for 0 or shows one past the value.
TEST(ResultCountUp, levelAndComboCountOneATickAndStopOnTheirValue) {
    ResultCountUp up(0, 1, 0);
    EXPECT_TRUE(up.levelTick());
    EXPECT_EQ(up.levelCaption(), QStringLiteral("LEVEL：1"));
    EXPECT_TRUE(up.comboTick());
    EXPECT_EQ(up.comboCaption(), QStringLiteral("MAX 0 COMBO"));

    ResultCountUp three(0, 3, 2);
    EXPECT_FALSE(three.levelTick());
    EXPECT_FALSE(three.levelTick());
    EXPECT_TRUE(three.levelTick());
    EXPECT_EQ(three.levelCaption(), QStringLiteral("LEVEL：3"));
    EXPECT_FALSE(three.comboTick());
    EXPECT_TRUE(three.comboTick());
    EXPECT_EQ(three.comboCaption(), QStringLiteral("MAX 2 COMBO"));
}

// The place is the first entry equalled or beaten; below the fifth there is none. Catches
// ties going to the old score and an off-by-one at either end of the table.
TEST(RankCheck, findsTheFirstPlaceTheScoreEqualsOrBeats) {
    const std::pair<double, int> cases[] = {{1000, 5}, {5000, 1}, {999, 0}, {3000, 3},
                                            {4999, 2}, {-40, 0},  {1e9, 1}};
    for (const auto& [score, place] : cases) {
        RankCheck check;
        int16_t NewRank = 7;
        check.tenmi(Table, score, NewRank);
        EXPECT_EQ(NewRank, place) << score;
    }
}

// The line counter runs on across passes: only the first pass decides, whatever the later ones
// see. Catches a counter reset per tick, which would re-rank on every tick.
TEST(RankCheck, laterPassesCountOnAndChangeNothing) {
    RankCheck check;
    int16_t NewRank = 0;
    check.tenmi(Table, 999, NewRank);
    EXPECT_EQ(NewRank, 0);
    check.tenmi(Table, 6000, NewRank);
    check.tenmi(Table, 6000, NewRank);
    EXPECT_EQ(NewRank, 0);
    EXPECT_EQ(check.lineNo(), 18);
}

// A short table: the missing places are vacant and taken by any score, and the next pass does
// not read the file's first lines as places 4 and 5. A damaged line stops the check before
// NewRank changes.
TEST(RankCheck, vacantPlacesInAShortFileAndDamagedLines) {
    RankCheck check;
    int16_t NewRank = 0;
    check.tenmi({"900", "800"}, -500, NewRank);
    EXPECT_EQ(NewRank, 3);
    check.tenmi({"900", "800"}, -500, NewRank);
    EXPECT_EQ(NewRank, 3);

    RankCheck damaged;
    NewRank = 0;
    EXPECT_THROW(damaged.tenmi({"5000", "x", "1", "1", "1"}, 9000, NewRank), FileError);
    EXPECT_EQ(NewRank, 0);
}
