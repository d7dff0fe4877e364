// Does weak-key practice help? A simulated learner plays drill sessions until every character's
// miss rate is under 5%, once with uniform draws (the original drill) and once with the
// weak-key draws, and the keystrokes each needed are compared over 20 learners.
//
// This is a model, not players. The learner:
// - types the drill's 69 characters; each character has its own miss probability and time;
// - starts with most characters easy (miss probability 1-8%, 250-600 ms) and a few hard ones
//   (6-12 of them, miss probability 20-55%, 600-1400 ms), drawn from the learner's seed;
// - improves a character only by typing it: every keystroke on it multiplies the part of its
//   miss probability above 0.5% by 0.95, and its time above 180 ms by 0.97;
// - in the drill, a missed character stays until it is typed right, as in the game, so each
//   miss is one more keystroke on the same character.
// A session is 60 characters; after it the session goes into an in-memory history exactly as
// the drill records it (RoundFigures, HistoryRecord), and the weak-key draws of the next
// session come from PracticeWeights over that history, drawn by RandomSource::pick as the drill
// draws them. Both runs of a learner share the learner's seed.
// Usage: bench-practice_effect [learners]

#include "core/RandomSource.h"
#include "screens/Training.h"
#include "stats/HistoryRecord.h"
#include "stats/PracticeWeights.h"
#include "stats/RoundFigures.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int SessionCharacters = 60;
constexpr double Target = 0.05;
constexpr long long GiveUpKeys = 5'000'000;

class SeededRandom : public RandomSource {
public:
    explicit SeededRandom(unsigned seed) : m_engine(seed) {}
    void reseed() override {}
    float next() override { return std::uniform_real_distribution<float>(0.0f, 1.0f)(m_engine); }

private:
    std::mt19937 m_engine;
};

struct Learner {
    std::vector<double> miss; // per character
    std::vector<double> ms;

    explicit Learner(unsigned seed) {
        std::mt19937 engine(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        const int n = Training::CharacterCount;
        miss.resize(n);
        ms.resize(n);
        for (int i = 0; i < n; ++i) {
            miss[i] = 0.01 + 0.07 * u(engine);
            ms[i] = 250 + 350 * u(engine);
        }
        const int hard = 6 + static_cast<int>(u(engine) * 7);
        for (int h = 0; h < hard; ++h) {
            const int i = static_cast<int>(u(engine) * n) % n;
            miss[i] = 0.20 + 0.35 * u(engine);
            ms[i] = 600 + 800 * u(engine);
        }
    }

    bool done() const {
        return std::all_of(miss.begin(), miss.end(), [](double p) { return p < Target; });
    }

    void practise(int i) {
        miss[i] = 0.005 + (miss[i] - 0.005) * 0.95;
        ms[i] = 180 + (ms[i] - 180) * 0.97;
    }
};

// Keystrokes until the learner is done.
long long run(unsigned seed, bool weakKeys) {
    Learner learner(seed);
    SeededRandom random(seed * 7919u + 1);
    std::mt19937 fingers(seed * 104729u + 3); // the learner's own luck, the same in both runs
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<char32_t> characters;
    for (int number = 1; number <= Training::CharacterCount; ++number)
        characters.push_back(RoundFigures::codePoint(Training::character(number)));
    std::vector<HistoryRecord> history;
    GameOptions options;
    options.weakKeys = weakKeys;
    long long keys = 0;
    while (!learner.done() && keys < GiveUpKeys) {
        const std::vector<double> chances =
            weakKeys ? PracticeWeights(history).chances(characters) : std::vector<double>{};
        RoundFigures figures;
        int64_t now = 0;
        figures.playBegins(now);
        for (int c = 0; c < SessionCharacters; ++c) {
            const int i =
                chances.empty() ? random.draw(0, Training::CharacterCount) : random.pick(chances);
            while (true) {
                ++keys;
                now += static_cast<int64_t>(learner.ms[i] * 1e6);
                const bool missed = u(fingers) < learner.miss[i];
                learner.practise(i);
                if (!missed) {
                    figures.rightKey(characters[i], now);
                    break;
                }
                figures.wrongKey(characters[i]);
            }
        }
        figures.playEnds(now);
        history.push_back(HistoryRecord::of(0, 1, 0, figures, options, HistoryRecord::Kind::Drill,
                                            QDateTime::fromSecsSinceEpoch(0)));
        if (history.size() > 2 * PracticeWeights::RecentRecords)
            history.erase(history.begin(), history.begin() + PracticeWeights::RecentRecords);
    }
    return keys;
}

} // namespace

int main(int argc, char** argv) {
    const int learners = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    long long uniformTotal = 0, weightedTotal = 0;
    int better = 0;
    std::printf("learner  uniform  weak-keys  change\n");
    for (int l = 1; l <= learners; ++l) {
        const long long uniform = run(static_cast<unsigned>(l), false);
        const long long weighted = run(static_cast<unsigned>(l), true);
        uniformTotal += uniform;
        weightedTotal += weighted;
        better += weighted < uniform;
        std::printf("%7d  %7lld  %9lld  %+5.1f%%\n", l, uniform, weighted,
                    100.0 * (static_cast<double>(weighted) / uniform - 1.0));
    }
    std::printf("total    %7lld  %9lld  %+5.1f%%  (fewer keystrokes for %d of %d learners)\n",
                uniformTotal, weightedTotal,
                100.0 * (static_cast<double>(weightedTotal) / uniformTotal - 1.0), better,
                learners);
    return 0;
}
