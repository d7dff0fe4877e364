#pragma once

#include <QString>

#include <cstdint>

// The result screen's three count-ups, one step per timer tick: the score in ever larger steps,
// then the level, then the longest combo. Each tick reports whether its count-up has ended.
class ResultCountUp {
public:
    ResultCountUp(int32_t finalScore, int32_t gameLevel, int32_t maxCombo)
        : m_finalScore(finalScore), m_gameLevel(gameLevel), m_maxCombo(maxCombo) {}

    bool scoreTick();
    bool levelTick();
    bool comboTick();

    QString scoreCaption() const;
    QString levelCaption() const;
    QString comboCaption() const;

    // Wide enough that the last step past a score near the 32-bit limit cannot wrap.
    int64_t ShownScore = 0;
    int32_t ScoreStep = 0;
    int32_t levelShown = 0;
    int32_t comboShown = 0;

private:
    int32_t m_finalScore;
    int32_t m_gameLevel;
    int32_t m_maxCombo;
};
