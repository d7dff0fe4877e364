#pragma once

#include <QString>

class QKeyEvent;

// The characters a key press types, as the game judges them: nothing for Shift, Ctrl, arrows
// and the like. X11 also hands Delete a DEL character and Alt+letter the bare letter, though
// neither types anything in the game, so those give nothing too. Shift+Tab types a tab.
class TypedText {
public:
    static QString of(const QKeyEvent* event);
};
