#pragma once

#include <QByteArray>
#include <QString>

// Hands `--stats` over to the progress window's own program beside the game's executable, so
// the game itself never maps the charts' libraries.
class StatsLauncher {
public:
    static inline const char* const Program = "kazamina-typing-stats";

    // The progress window's program in the folder of `executable` (the game's own path).
    static QByteArray siblingOf(const QByteArray& executable);
    // Replaces this process with the progress window's program, the same arguments passed on.
    // Returns only when that failed, after saying why on standard error: the exit status.
    static int exec(int argc, char* argv[], bool japanese);
};
