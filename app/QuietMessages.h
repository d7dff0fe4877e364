#pragma once

#include <QString>
#include <QtGlobal>

// Keeps Qt's remarks about a merely unusual host off the terminal. Started outside a login
// session (su, a bare X server), Qt notes at every start that XDG_RUNTIME_DIR is unset and
// then uses a folder of its own, which works; every other message passes through.
class QuietMessages {
public:
    static bool isHarmless(QtMsgType type, const QString& message);
    // Call before QApplication: the note comes while it starts.
    static void install();
};
