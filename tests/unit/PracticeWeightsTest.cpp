#include "stats/PracticeWeights.h"
#include "phrases/PhraseCatalogue.h"
#include "phrases/PhrasePack.h"
#include "round/ProgramState.h"
#include "round/RoundJudge.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

namespace {

const std::vector<char32_t> letters = {U'a', U'b', U'c', U'd', U'e', U'f', U'g', U'h'};

// A drill session: `keys` tries of each letter, `missed` of them missed, each right key timed
// at `ms`; `slow` takes `slowMs` instead.
HistoryRecord session(int keys, std::map<char32_t, int> missed = {}, int ms = 200,
                      char32_t slow = 0, int slowMs = 0) {
    HistoryRecord r;
    r.kind = HistoryRecord::Kind::Drill;
    for (const char32_t c : letters) {
        r.keysByKey.emplace_back(c, keys);
        if (missed.count(c))
            r.missesByKey.emplace_back(c, missed[c]);
        const int right = keys - (missed.count(c) ? missed[c] : 0);
        if (right > 0)
            r.timesByKey.push_back({c, int64_t{c == slow ? slowMs : ms} * right, right});
    }
    return r;
}

void expectSane(const std::vector<double>& chances, size_t size) {
    ASSERT_EQ(chances.size(), size);
    for (const double p : chances) {
        EXPECT_TRUE(std::isfinite(p));
        EXPECT_GE(p, PracticeWeights::FloorShare / static_cast<double>(size) - 1e-12);
    }
    EXPECT_NEAR(std::accumulate(chances.begin(), chances.end(), 0.0), 1.0, 1e-9);
}

} // namespace

// Histories that carry no difference between characters draw uniformly: none at all, one
// typed perfectly, all perfect at one speed, and a character never typed beside average ones.
// Catches a division by a zero miss rate or time, and a never-typed character taken as weak or
// as perfect.
TEST(PracticeWeights, historiesWithoutADifferenceDrawUniformly) {
    const std::vector<std::vector<HistoryRecord>> histories = {
        {}, {session(0)}, {session(10)}, {session(10), session(10), session(10)}};
    for (size_t h = 0; h < histories.size(); ++h) {
        const std::vector<double> chances = PracticeWeights(histories[h]).chances(letters);
        expectSane(chances, letters.size());
        for (const double p : chances)
            EXPECT_NEAR(p, 1.0 / letters.size(), 1e-9) << "history " << h;
    }
    HistoryRecord one;
    one.keysByKey = {{U'a', 1}};
    EXPECT_NEAR(PracticeWeights({one}).chances(letters)[0], 1.0 / letters.size(), 1e-9);
    // z never came up: it stands with the average, between the weak c and the strong others.
    const PracticeWeights w({session(20, {{U'c', 10}})});
    EXPECT_DOUBLE_EQ(w.weakness(U'z'), 1.0);
    EXPECT_GT(w.weakness(U'c'), 1.0);
    EXPECT_LT(w.weakness(U'a'), 1.0);
    EXPECT_TRUE(PracticeWeights().chances({}).empty());
}

// A character always missed, or always slow, is drawn well above uniform, yet every other keeps
// a quarter of the uniform chance; extreme histories (huge counts and times, every key missed,
// one character only) stay finite, positive and summing to 1. Catches weights that ignore
// slowness, a floor that lets a character vanish, and overflow into NaN.
TEST(PracticeWeights, weakCharactersLeadWhileEveryCharacterStaysPossible) {
    std::vector<HistoryRecord> missing(10, session(10, {{U'c', 10}}));
    const std::vector<double> missed = PracticeWeights(missing).chances(letters);
    expectSane(missed, letters.size());
    EXPECT_GT(missed[2], 2.0 / letters.size());
    EXPECT_LT(missed[0], 1.0 / letters.size());

    const std::vector<double> slow =
        PracticeWeights({session(10, {}, 150, U'f', 900)}).chances(letters);
    expectSane(slow, letters.size());
    EXPECT_GT(slow[5], 1.5 / letters.size());

    // Only the last 50 records count: 60 sessions of missing c, then 50 perfect ones.
    std::vector<HistoryRecord> recovered(60, session(10, {{U'c', 10}}));
    recovered.insert(recovered.end(), 50, session(10));
    EXPECT_NEAR(PracticeWeights(recovered).chances(letters)[2], 1.0 / letters.size(), 1e-9);

    HistoryRecord extreme = session(0);
    extreme.keysByKey = {{U'a', 2'000'000'000}, {U'b', 1}};
    extreme.missesByKey = {{U'a', 2'000'000'000}, {U'b', 1}};
    extreme.timesByKey = {{U'a', INT64_MAX / 4, 1}, {U'b', 0, 2'000'000'000}};
    for (const std::vector<char32_t>& set : {letters, std::vector<char32_t>{U'a'}}) {
        const std::vector<double> chances = PracticeWeights({extreme, extreme}).chances(set);
        expectSane(chances, set.size());
    }
    EXPECT_DOUBLE_EQ(PracticeWeights({extreme}).chances({U'a'})[0], 1.0);
}

// The phrase draw favours phrases holding the weak characters, at most four times another;
// with nothing weak every phrase weighs the same. Catches a weight that grows without bound
// with a long phrase, and weak characters taken from strong ones.
TEST(PracticeWeights, phraseWeightsStayWithinFourTimesEachOther) {
    std::vector<HistoryRecord> history(5, session(10, {{U'c', 6}, {U'h', 3}}));
    const PracticeWeights w(history);
    const std::vector<char32_t> weak = w.weakCharacters();
    ASSERT_EQ(weak, (std::vector<char32_t>{U'c', U'h'}));
    EXPECT_DOUBLE_EQ(PracticeWeights::phraseWeight(QStringLiteral("abab"), weak), 1.0);
    EXPECT_DOUBLE_EQ(PracticeWeights::phraseWeight(QStringLiteral("cab"), weak), 1.5);
    EXPECT_DOUBLE_EQ(PracticeWeights::phraseWeight(QStringLiteral("chchchchchch"), weak),
                     PracticeWeights::MaxPhraseRatio);
    EXPECT_DOUBLE_EQ(PracticeWeights::phraseWeight(QStringLiteral("chchch"), {}), 1.0);
    EXPECT_TRUE(PracticeWeights({session(10)}).weakCharacters().empty());
    // A character met once and missed that once is weak already: it has no right key to time.
    HistoryRecord once = session(10);
    once.keysByKey.emplace_back(U'z', 1);
    once.missesByKey.emplace_back(U'z', 1);
    EXPECT_EQ(PracticeWeights({once}).weakCharacters(), std::vector<char32_t>{U'z'});
}

// Over 20,000 pinned values spread evenly through [0, 1), the weighted draw picks each built-in
// phrase in proportion to its weight (so no phrase more than four times as often as another),
// with one value and one reseed per draw like the original draw; a pack draws the same way; and
// a judge given no weights draws exactly the original phrases. Catches a pick that ignores the
// weights, an off-by-one between weight and phrase number, a second random value per draw, and
// weights leaking into the original draw.
TEST(PracticeWeights, theWeightedPhraseDrawFollowsTheWeightsWithTheGamesRandomSource) {
    VariantTable variants;
    for (const auto& group : SpellingGroups::all())
        group.applyTo(variants, 0);
    const std::vector<char32_t> weak = {U'z', U'j'};
    const std::vector<double> weights = PhraseCatalogue::weights(variants, weak);
    ASSERT_EQ(weights.size(), 100u);
    const auto [low, high] = std::minmax_element(weights.begin(), weights.end());
    EXPECT_DOUBLE_EQ(*low, 1.0);
    EXPECT_GT(*high, 1.0);
    EXPECT_LE(*high, PracticeWeights::MaxPhraseRatio);

    constexpr int Draws = 20'000;
    ScriptedRandom random;
    for (int i = 0; i < Draws; ++i)
        random.push({(static_cast<float>(i) + 0.5f) / Draws});
    std::vector<int> seen(101, 0);
    for (int i = 0; i < Draws; ++i)
        ++seen[static_cast<size_t>(PhraseCatalogue::draw(random, variants, weights).number)];
    EXPECT_EQ(random.reseeds, Draws);
    EXPECT_TRUE(random.queue.empty());
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    for (int n = 1; n <= 100; ++n)
        EXPECT_NEAR(seen[static_cast<size_t>(n)],
                    Draws * weights[static_cast<size_t>(n - 1)] / total, 2.0)
            << "phrase " << n;

    const PhrasePack pack = PhrasePack::fromLines(
        {QStringLiteral("ざ\tざ"), QStringLiteral("か\tか"), QStringLiteral("じゃじゃ\tじゃじゃ")},
        QStringLiteral("system\\phrases.txt"));
    const std::vector<double> packWeights = pack.weights(variants, weak);
    EXPECT_EQ(packWeights, (std::vector<double>{1.5, 1.0, 2.0}));
    random.push({0.2f, 0.5f, 0.99f});
    EXPECT_EQ(pack.draw(random, variants, packWeights).number, 1); // 0.9 of 4.5
    EXPECT_EQ(pack.draw(random, variants, packWeights).number, 2); // 2.25
    EXPECT_EQ(pack.draw(random, variants, packWeights).number, 3); // 4.455

    // Without weights the judge's draws are the original ones, value for value.
    ProgramState state;
    RecordingMedia media;
    RoundJudge judge(state, variants, random, media);
    for (const float r : {0.0f, 0.005f, 0.5f, 0.999f}) {
        random.push({r});
        judge.MonSel();
        random.push({r});
        EXPECT_EQ(judge.phraseNumber(), PhraseCatalogue::draw(random, variants).number) << r;
    }
    judge.usePhraseWeights(weights);
    random.push({0.0f});
    judge.MonSel();
    EXPECT_EQ(judge.phraseNumber(), 1);
}
