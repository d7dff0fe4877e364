#include "stats/ProgressModel.h"

#include <gtest/gtest.h>

namespace {

HistoryRecord played(int32_t score, RoundFigures::KeyCounts keys, RoundFigures::KeyCounts misses) {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
    r.score = score;
    r.speed = score / 100.0;
    r.accuracy = 90;
    r.keysByKey = std::move(keys);
    r.missesByKey = std::move(misses);
    return r;
}

} // namespace

// The charts take the last 200 rounds, numbered as they stand in the whole history, and the
// keyboard only the last 50; an empty history is empty. Catches charts that start from the
// first round, an off-by-one at either window, and old rounds leaking into the key colours.
TEST(ProgressModel, chartsTakeTheLast200RoundsAndTheKeyboardTheLast50) {
    EXPECT_TRUE(ProgressModel(std::vector<HistoryRecord>{}).empty());
    EXPECT_TRUE(ProgressModel(std::vector<HistoryRecord>{}).points().empty());

    std::vector<HistoryRecord> records;
    for (int i = 1; i <= 260; ++i) // the first 210 rounds miss q every time it comes
        records.push_back(i <= 210 ? played(i, {{U'q', 5}}, {{U'q', 5}})
                                   : played(i, {{U'q', 10}, {U'T', 4}}, {{U'T', 1}}));
    const ProgressModel model(records);
    EXPECT_EQ(model.totalRounds(), 260);
    ASSERT_EQ(model.points().size(), 200u);
    EXPECT_EQ(model.points().front().round, 61);
    EXPECT_EQ(model.points().front().score, 61);
    EXPECT_EQ(model.points().back().round, 260);
    EXPECT_DOUBLE_EQ(model.points().back().speed, 2.6);
    EXPECT_EQ(model.keyRounds(), 50);
    EXPECT_EQ(model.keyStat(U'q').misses, 0);
    EXPECT_EQ(model.keyStat(U'q').keys, 500);
    EXPECT_EQ(model.keyStat(U't').misses, 50); // upper-case T is typed on the t key
    EXPECT_EQ(model.keyStat(U't').keys, 200);

    const ProgressModel few({played(7, {{U'a', 3}}, {})});
    EXPECT_EQ(few.points().size(), 1u);
    EXPECT_EQ(few.keyRounds(), 1);
}

// Colours run from green at no misses to full red at a fifth of the keys missed and stay red
// beyond; a key never typed is grey, not green; the tooltip gives the exact counts. Catches a
// rate over all keys instead of the key's own, a scale that never reaches red, and untyped keys
// passed off as flawless.
TEST(ProgressModel, keyColoursFollowTheMissRateAndTheTooltipGivesTheCounts) {
    const ProgressModel model(
        {played(1, {{U'a', 100}, {U's', 20}, {U'd', 10}, {U'f', 40}, {U'!', 2}},
                {{U's', 4}, {U'd', 9}, {U'f', 4}, {U'!', 1}})});
    EXPECT_EQ(model.colour(U'a'), QColor(40, 170, 70));  // 0 %
    EXPECT_EQ(model.colour(U's'), QColor(220, 40, 40));  // 20 %
    EXPECT_EQ(model.colour(U'd'), QColor(220, 40, 40));  // 90 %
    EXPECT_EQ(model.colour(U'f'), QColor(235, 200, 30)); // 10 %
    EXPECT_EQ(model.colour(U'z'), QColor(90, 90, 90));   // never typed
    EXPECT_EQ(model.keyStat(U'1').misses, 1);            // ! is Shift and 1
    EXPECT_EQ(model.wholeHistory(U'1').keys, 2);         // the first key of the picture
    EXPECT_EQ(model.wholeHistory(U'1').misses, 1);
    EXPECT_EQ(model.toolTip(U's'), QStringLiteral("S：ミス 4 / 20 打（20.0%）　直近 1 回"));
    EXPECT_EQ(model.toolTip(U'z'), QStringLiteral("Z：直近 1 回で打つ場面なし"));
    // Characters past ASCII (the JIS keyboard's ¥, letters of other scripts) have no key here.
    for (const char32_t c : {U'あ', U'¥', U'é', U'ё', U'\u04FF', U'\u0080'})
        EXPECT_EQ(ProgressModel::keyFor(c), 0u) << static_cast<int>(c);
}

// Round axes for short and long histories: every tick a whole round, never twice the same,
// every point of a short history on a tick, at most eleven ticks. Catches the repeated labels
// of a fractional tick step ("1 1 2 2 3") and an axis that stops short of the last round.
TEST(ProgressModel, theRoundAxisTicksWholeRoundsOnce) {
    struct Case {
        int first, last;
        std::vector<int> ticks;
    };
    const std::vector<Case> cases = {
        {1, 1, {1}},
        {1, 2, {1, 2}},
        {1, 3, {1, 2, 3}},
        {1, 7, {1, 2, 3, 4, 5, 6, 7}},
        {301, 500, {320, 340, 360, 380, 400, 420, 440, 460, 480, 500}},
        {1, 12, {2, 4, 6, 8, 10, 12}},
    };
    for (const Case& c : cases) {
        const ProgressModel::RoundAxis axis = ProgressModel::roundAxis(c.first, c.last);
        EXPECT_EQ(axis.ticks(), c.ticks) << c.first << "-" << c.last;
        EXPECT_LT(axis.min, c.first);
        EXPECT_GT(axis.max, c.last);
        EXPECT_LT(axis.max - c.last, std::max(1.0, (c.last - c.first) * 0.05));
    }
}

// Every key colour, at every miss rate, carries its letter and rate in black or white at 4.5:1
// or better, and the whole-history sums keep counting after the keyboard's 50 rounds; the
// summary gives the last round and the trend. Catches white letters on yellow (1.8:1), sums
// that forget the rounds the ring let go, and a trend with the sign turned round.
TEST(ProgressModel, keysReadAtEveryRateAndTheSummaryGivesTheTrend) {
    for (int misses = 0; misses <= 100; ++misses) {
        const QColor fill = ProgressModel::colourFor({misses, 100});
        EXPECT_GE(ProgressModel::contrast(fill, ProgressModel::textOn(fill)), 4.5) << misses;
    }
    const QColor unused = ProgressModel::colourFor({});
    EXPECT_GE(ProgressModel::contrast(unused, ProgressModel::textOn(unused)), 4.5);
    EXPECT_DOUBLE_EQ(ProgressModel::contrast(Qt::black, Qt::white), 21.0);

    std::vector<HistoryRecord> records;
    for (int i = 1; i <= 120; ++i)
        records.push_back(played(i <= 110 ? 1000 : 2000, {{U'q', 4}}, {{U'q', 1}}));
    const ProgressModel model(records);
    EXPECT_EQ(model.wholeHistory(U'q').keys, 480);
    EXPECT_EQ(model.wholeHistory(U'q').misses, 120);
    EXPECT_EQ(model.keyStat(U'q').keys, 200);
    EXPECT_EQ(model.capRate(U'q'), QStringLiteral("25%"));
    EXPECT_EQ(model.capRate(U'z'), QStringLiteral("–"));
    EXPECT_EQ(
        model.summary(),
        QStringLiteral("全 120 回。最新の 120 回目：スコア 2000、速度 20.00 打/秒、正確率 90.0%。"
                       "傾向：直近 10 回の平均はその前の 10 回より スコア +1000、速度 +10.00 "
                       "打/秒、正確率 ±0.0 ポイント。"));
    EXPECT_TRUE(ProgressModel({played(5, {}, {})})
                    .summary()
                    .endsWith(QStringLiteral("傾向は 2 回目から出ます。")));
}

// Drill sessions count on the keyboard but are no points of the score charts, and the rounds
// keep their numbers among rounds; the tooltip gives a key's mean time over every timed right
// key, upper and lower case together. Catches a drill plotted as a round of score 0 and a mean
// of the per-record means.
TEST(ProgressModel, drillSessionsColourTheKeysButStayOffTheCharts) {
    std::vector<HistoryRecord> records = {played(300, {{U'a', 4}}, {}),
                                          played(0, {{U'a', 6}}, {{U'a', 6}}),
                                          played(500, {{U'a', 10}}, {})};
    records[1].kind = HistoryRecord::Kind::Drill;
    const ProgressModel model(records);
    EXPECT_EQ(model.totalRounds(), 2);
    ASSERT_EQ(model.points().size(), 2u);
    EXPECT_EQ(model.points()[1].round, 2);
    EXPECT_EQ(model.points()[1].score, 500);
    EXPECT_EQ(model.keyStat(U'a').keys, 20);
    EXPECT_EQ(model.keyStat(U'a').misses, 6);

    records[0].timesByKey = {{U'a', 900, 3}};
    records[2].timesByKey = {{U'A', 100, 1}, {U'b', 50, 1}};
    EXPECT_EQ(ProgressModel(records).toolTip(U'a'),
              QStringLiteral("A：ミス 6 / 20 打（30.0%）　直近 3 回　平均 250 ms"));
}
