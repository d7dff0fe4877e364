#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Keeps the program from starting a D-Bus session of its own. Without a session bus, the
// D-Bus library would launch one through the X display on first use (Qt's accessibility and
// platform theme ask for it), and that daemon outlives the game.
class SessionBus {
public:
    // The address to set before Qt starts, or an empty one to leave the environment alone:
    // a bus named in DBUS_SESSION_BUS_ADDRESS, or the standard one in XDG_RUNTIME_DIR, is
    // used as it is (so screen readers keep working); otherwise the session bus is turned off.
    static QByteArray addressToSet(const QByteArray& address, const QString& runtimeDir,
                                   const std::function<bool(const QString&)>& exists);

    // Applies addressToSet() to this process's environment.
    static void noAutolaunch();
};
