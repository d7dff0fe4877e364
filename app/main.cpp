#include "app/CommandLine.h"
#include "app/MessageBoxErrorReporter.h"
#include "app/QuietMessages.h"
#include "app/ScreenNavigator.h"
#include "app/SessionBus.h"
#include "app/StatsLauncher.h"
#include "core/ClockRandomSource.h"
#include "core/FileError.h"
#include "core/SteadyClock.h"
#include "scores/TableJournal.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Maingame.h"
#include "screens/Menu.h"
#include "screens/Title.h"
#include "screens/Training.h"
#include "screens/ranking.h"
#include "screens/result.h"
#include "settings/OptionsFile.h"
#include "sound/SdlMedia.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Every screen opens where the previous one stood, and Wayland does not let a program place
// its windows; so when the player has not chosen a platform and an X display is there too,
// run on X11 (XWayland).
void preferX11OnWayland() {
#ifdef Q_OS_LINUX
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    // Before any window: --help and --version work without a display.
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv), CommandLine::japaneseLocale());
    if (commandLine.done())
        return commandLine.finish();
    // `--stats` is the progress window's own program: the game never loads the charts.
    if (commandLine.isSet(QStringLiteral("stats")))
        return StatsLauncher::exec(argc, argv, CommandLine::japaneseLocale());
    preferX11OnWayland();
    SessionBus::noAutolaunch();
    QuietMessages::install();
    QApplication app(argc, argv);
    Fonts::install();

    // Japanese standard buttons: the exit box reads OK / キャンセル.
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslation);

    ClockRandomSource random;
    SteadyClock clock;
    SdlMedia media;
    // Decoded on the sound thread now, so the first key of a round or drill sounds at once.
    media.preload("music\\ok.wav");
    media.preload("music\\miss.wav");
    MessageBoxErrorReporter errors;
    ScreenNavigator navigator(errors);
    GameContext context(random, clock, media, navigator, errors);
    context.options = OptionsFile::load();

    navigator.registerScreen(Screen::Title, [&] { return new Title(context); });
    navigator.registerScreen(Screen::Menu, [&] { return new Menu(context); });
    navigator.registerScreen(Screen::Maingame, [&] { return new Maingame(context); });
    navigator.registerScreen(Screen::Training, [&] { return new Training(context); });
    navigator.registerScreen(Screen::Result, [&] { return new result(context); });
    navigator.registerScreen(Screen::Ranking, [&] { return new ranking(context); });

    // A save cut short last time is finished, or undone, before any screen reads the table.
    try {
        TableJournal::tidyAtStart();
    } catch (const FileError& e) {
        errors.fatal(e.message());
        return 1;
    }
    navigator.show(Screen::Title);

    const int status = app.exec();
    return errors.failed() ? 1 : status;
}
