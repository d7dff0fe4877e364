#pragma once

#include "screens/ScreenWindow.h"
#include "stats/RoundFigures.h"

#include <vector>

class QKeyEvent;
class QLabel;
class QTimer;

// The single-character drill: after a countdown one character at a time, replaced when it is
// typed exactly, red until then; Escape returns to the menu. The session goes into the history.
class Training : public ScreenWindow {
    Q_OBJECT
public:
    static constexpr int CharacterCount = 69;
    static inline const char* Music = "music\\nocturne.mp3";

    explicit Training(GameContext& context, QWidget* parent = nullptr);

    // The drill's character for number 1 to 69: a-z, 1-9, 0, seven marks, A-Z.
    static QString character(int number);
    // In kana input the drill draws the kana and signs of the JIS kana layout instead.
    static int kanaCount();
    static QString kana(int number);

    int countdown() const { return m_countdown; }
    // The keys judged so far in this session, as the history will keep them.
    const RoundFigures& figures() const { return m_figures; }

    QLabel* Q;
    QLabel* countm;
    QLabel* Label1;
    QTimer* countt;
    QTimer* Timer1;

public slots:
    void countt_Timer();
    void Timer1_Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void unload() override;

private:
    void drawCharacter();
    void judge(const QString& typed);
    void saveToHistory();

    bool m_kanaInput = false;
    int m_countdown = 4;
    int m_number = 0;
    // The draw's chance of each character with weak-key practice on; empty draws uniformly.
    std::vector<double> m_chances;
    RoundFigures m_figures;
    int m_streak = 0;
    int m_longestStreak = 0;
};
