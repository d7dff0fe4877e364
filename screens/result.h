#pragma once

#include "screens/ScreenWindow.h"
#include "scores/RankCheck.h"
#include "scores/ResultCountUp.h"

class QLabel;
class QTimer;

// The screen after every round: counts up score, level and longest combo, rates the score,
// checks it against the high-score table and moves on by itself to name entry or the menu.
class result : public ScreenWindow {
    Q_OBJECT
public:
    static inline const std::string FanfarePath = "music\\fanfare.wav";

    explicit result(GameContext& context, QWidget* parent = nullptr);

    // Tick handlers, public so that tests can drive them without waiting on timers.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer5_Timer();

    QLabel* Label2;
    QLabel* score;
    QLabel* Levv;
    QLabel* Mcombo;
    QLabel* hyouka;
    // Speed, accuracy, misses and weak keys of the round; shown once the rating stands.
    QLabel* figuresLine;
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;
    QTimer* Timer5;

protected:
    void unload() override;

private:
    // Runs the rank check; false when it reported a fatal file error.
    bool tenmi();
    void leave();
    void stopTimers();
    // The counting labels are right-aligned: their right edge stays put as captions change.
    void setRightCaption(QLabel* label, const QString& text);
    void saveToHistory();
    void showFiguresLine();

    ResultCountUp m_countUp;
    RankCheck m_rankCheck;
    int tickCount = 0;
    bool rated = false;
    bool m_unloaded = false;
    bool m_historySaved = false;
};
