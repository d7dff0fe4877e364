#pragma once

#include "screens/ScreenWindow.h"

#include <array>
#include <string>

class QLabel;
class QTimer;

// The high-score table: each place's name and score in file order, with its own looping music;
// any key returns to the menu.
class ranking : public ScreenWindow {
    Q_OBJECT
public:
    static inline const std::string MusicPath = "music\\peterwolf.mp3";

    explicit ranking(GameContext& context, QWidget* parent = nullptr);

    void Timer1_Timer();

    std::array<QLabel*, 5> Label{};
    std::array<QLabel*, 5> ran{};
    QTimer* Timer1;

protected:
    // Every key, Shift alone and the function keys included, leaves.
    void keyPressEvent(QKeyEvent* event) override;
    void unload() override;

private:
    void showTable();

    bool m_left = false;
};
