// kazamina-typing-stats: the progress window alone, in a program of its own, so that the game
// does not load the charts' libraries; `kazamina-typing --stats` hands over to it.
#include "app/CommandLine.h"
#include "app/PlatformChoice.h"
#include "app/QuietMessages.h"
#include "app/SessionBus.h"
#include "screens/Fonts.h"
#include "screens/ProgressWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv), CommandLine::japaneseLocale());
    if (commandLine.done())
        return commandLine.finish();
    if (!PlatformChoice::waylandPluginReady(CommandLine::japaneseLocale()))
        return 1;
    SessionBus::noAutolaunch();
    QuietMessages::install();
    QApplication app(argc, argv);
    Fonts::install();
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslation);
    return runProgressWindow();
}
