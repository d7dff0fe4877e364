#pragma once

#include <QApplication>
#include <QTranslator>

// The Qt application as both programs (the game and the progress window) start it: no D-Bus
// daemon of its own, Qt's own chatter kept off the terminal, the game's faces, and Qt's
// standard buttons in Japanese (the exit box reads OK / キャンセル).
class QtStart {
public:
    QtStart(int& argc, char** argv);

private:
    // Set up before the application exists: both are read when it starts.
    struct Before {
        Before();
    };
    Before m_before;
    QApplication m_app;
    QTranslator m_translation;
};
