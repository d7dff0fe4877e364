#include "scores/ResultCountUp.h"

bool ResultCountUp::scoreTick() {
    ShownScore += ScoreStep;
    ScoreStep += 100;
    if (ShownScore < m_finalScore)
        return false;
    ShownScore = m_finalScore;
    return true;
}

bool ResultCountUp::levelTick() {
    ++levelShown;
    if (levelShown < m_gameLevel)
        return false;
    levelShown = m_gameLevel;
    return true;
}

bool ResultCountUp::comboTick() {
    ++comboShown;
    if (comboShown < m_maxCombo)
        return false;
    comboShown = m_maxCombo;
    return true;
}

QString ResultCountUp::scoreCaption() const {
    return QString::number(ShownScore) + QStringLiteral(" 点");
}

QString ResultCountUp::levelCaption() const {
    return QStringLiteral("LEVEL：") + QString::number(levelShown);
}

QString ResultCountUp::comboCaption() const {
    return QStringLiteral("MAX ") + QString::number(comboShown) + QStringLiteral(" COMBO");
}
