#pragma once

#include "screens/ScreenWindow.h"

class QKeyEvent;
class QLabel;
class QTimer;

// The first window of a run: the title typed out frame by frame, then a blinking prompt
// for Space and the title music.
class Title : public ScreenWindow {
    Q_OBJECT
public:
    static inline const char* Music = "music\\kanpai.mp3";

    explicit Title(GameContext& context, QWidget* parent = nullptr);

    // The five prompts that brink may show, by prompt number 1 to 5.
    static QString promptText(int number);

    bool animationFinished() const { return m_finished; }

    QLabel* l1;
    QLabel* l2;
    QLabel* brink;
    QTimer* T1;
    QTimer* T2;
    QTimer* Timer1;
    QTimer* Timer2;

public slots:
    void T1_Timer();
    void T2_Timer();
    void Timer1_Timer();
    void Timer2_Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void unload() override;

private:
    void finishAnimation();
    void centreOnScreen();

    bool m_finished = false;
    int m_firstFrame = 0;
    int m_secondFrame = 0;
    bool m_blinkPhase = false;
    int m_prompt = 1;
};
