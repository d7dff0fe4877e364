#pragma once

// The modeless screens that hand over to one another.
enum class Screen { Title, Menu, Maingame, Training, Result, Ranking };

// Opens the next screen. The current screen stores its position in WindowLeft/WindowTop
// first and unloads itself afterwards; the new screen places itself when it loads.
class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void show(Screen screen) = 0;
};
