#pragma once

#include "screens/ScreenWindow.h"
#include "round/GameClock.h"
#include "round/RoundJudge.h"

#include <array>
#include <string>

class QLabel;
class QPlainTextEdit;
class QTimer;
class ShapeWidget;

// The typing round's window: countdown, phrases, lamps, score and level; it forwards keys and
// game ticks to its RoundJudge and draws what the judge holds.
class Maingame : public ScreenWindow {
    Q_OBJECT
public:
    explicit Maingame(GameContext& context, QWidget* parent = nullptr);

    const RoundJudge& judge() const { return m_judge; }
    const std::string& musicPath() const { return m_musicPath; }
    // False when the settings file could not be read and the round never started.
    bool loaded() const { return m_loaded; }

    static std::string trackPath(int musicChoice);

public slots:
    void countt_Timer();
    void GT_Timer();
    void Endwait_Timer();
    void Timer1_Timer();
    void rmize_Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void unload() override;

private:
    void buildControls();
    void buildTimers();
    void runDueTicks();
    void followInterval();
    void finishRound();
    void centre(QLabel* label);
    void render();

    RoundJudge m_judge;
    GameClock m_gameClock;
    int m_musicChoice = 0;
    std::string m_musicPath;
    bool m_loaded = false;

    // What the controls show now, so a key repaints only what it changed.
    int m_shownSerial = -1;
    bool m_shownRed = false;
    int32_t m_shownScore = 0;
    int m_shownLevel = 1;
    std::array<RoundJudge::Lamp, RoundJudge::LampCount> m_shownLamps{};

    QLabel* countm = nullptr;
    QLabel* mon = nullptr;
    QLabel* Q = nullptr;
    QLabel* combon = nullptr;
    QLabel* score = nullptr;
    QLabel* Label1 = nullptr;
    ShapeWidget* Shape1 = nullptr;
    ShapeWidget* T1 = nullptr;
    ShapeWidget* T2 = nullptr;
    ShapeWidget* T3 = nullptr;
    ShapeWidget* T4 = nullptr;
    ShapeWidget* T5 = nullptr;
    QLabel* Lv = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Text1 = nullptr;

    QTimer* countt = nullptr;
    QTimer* GT = nullptr;
    QTimer* Endwait = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* rmize = nullptr;
};
