#include "app/SessionBus.h"

#include <QFileInfo>

QByteArray SessionBus::addressToSet(const QByteArray& address, const QString& runtimeDir,
                                    const std::function<bool(const QString&)>& exists) {
    if (!address.isEmpty())
        return {};
    if (!runtimeDir.isEmpty() && exists(runtimeDir + QStringLiteral("/bus")))
        return {};
    // An address the library cannot connect to: every use fails at once and quietly.
    return QByteArrayLiteral("disabled:");
}

void SessionBus::noAutolaunch() {
    const QByteArray address =
        addressToSet(qgetenv("DBUS_SESSION_BUS_ADDRESS"), qEnvironmentVariable("XDG_RUNTIME_DIR"),
                     [](const QString& path) { return QFileInfo::exists(path); });
    if (!address.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
}
