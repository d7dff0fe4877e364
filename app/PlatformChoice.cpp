#include "app/PlatformChoice.h"

#include "app/CommandLine.h"

#include <QDir>
#include <QLibraryInfo>
#include <QString>

#include <cstdio>

// Every screen opens where the previous one stood, and Wayland does not let a program place
// its windows; so when the player has not chosen a platform and an X display is there too,
// run on X11 (XWayland).
void PlatformChoice::preferX11OnWayland() {
#ifdef Q_OS_LINUX
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
}

// Qt aborts with a long plugin message when the Wayland plugin asked for is not installed:
// say what to install, and carry on through X11 when there is an X display.
bool PlatformChoice::waylandPluginReady(bool japanese) {
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("wayland")))
        return true;
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         QStringLiteral("/platforms"));
    if (!platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty())
        return true;
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const QString text =
        japanese ? QStringLiteral("kazamina-typing: Qt の Wayland プラグインがありません"
                                  "（sudo apt install qt6-wayland）。%1\n")
                       .arg(x11 ? QStringLiteral("X11 で起動します。") : QString())
                 : QStringLiteral("kazamina-typing: the Qt Wayland plugin is not installed "
                                  "(sudo apt install qt6-wayland).%1\n")
                       .arg(x11 ? QStringLiteral(" Starting on X11.") : QString());
    std::fputs(CommandLine::inLocaleEncoding(text, CommandLine::ctypeLocale()).constData(), stderr);
    if (!x11)
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}
