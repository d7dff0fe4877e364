#include "app/CommandLine.h"
#include "app/MessageBoxErrorReporter.h"
#include "app/PlatformChoice.h"
#include "app/QtStart.h"
#include "app/ScreenNavigator.h"
#include "app/StatsLauncher.h"
#include "core/ClockRandomSource.h"
#include "core/FileError.h"
#include "core/SteadyClock.h"
#include "scores/TableJournal.h"
#include "screens/GameContext.h"
#include "screens/Maingame.h"
#include "screens/Menu.h"
#include "screens/ScreenScale.h"
#include "screens/Title.h"
#include "screens/Training.h"
#include "screens/ranking.h"
#include "screens/result.h"
#include "settings/OptionsFile.h"
#include "sound/SdlMedia.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

QString escapedMessage(std::exception_ptr escaped) {
    try {
        std::rethrow_exception(escaped);
    } catch (const FileError& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("メモリが足りません。");
    } catch (const std::exception& e) {
        return QStringLiteral("予期しないエラーです（%1）。").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return QStringLiteral("予期しないエラーです。");
    }
}

[[noreturn]] void endOnEscaped() {
    // An exception where none may pass (a destructor, a noexcept function): say so and end
    // with a failure status rather than an abort and a core dump.
    const std::exception_ptr escaped = std::current_exception();
    const QString message =
        escaped ? escapedMessage(escaped) : QStringLiteral("予期しないエラーです。");
    std::fprintf(stderr, "kazamina-typing: %s\n", message.toLocal8Bit().constData());
    std::_Exit(1);
}

int runGame(int argc, char* argv[]) {
    // Before any window: --help and --version work without a display.
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv), CommandLine::japaneseLocale());
    if (commandLine.done())
        return commandLine.finish();
    // `--stats` is the progress window's own program: the game never loads the charts.
    if (commandLine.isSet(QStringLiteral("stats")))
        return StatsLauncher::exec(argc, argv, CommandLine::japaneseLocale());
    PlatformChoice::preferX11OnWayland();
    if (!PlatformChoice::waylandPluginReady(CommandLine::japaneseLocale()))
        return 1;
    const QtStart qt(argc, argv);

    ClockRandomSource random;
    SteadyClock clock;
    // The installed game's bundled music stays where it was installed (the launcher says where).
    SdlMediaOptions mediaOptions;
    if (const QString bundled = qEnvironmentVariable("KAZAMINA_TYPING_DATA"); !bundled.isEmpty())
        mediaOptions.fallbackFolders.push_back(QFile::encodeName(bundled).toStdString());
    SdlMedia media(mediaOptions);
    // Decoded on the sound thread now, so the first key of a round or drill sounds at once.
    media.preload("music\\ok.wav");
    media.preload("music\\miss.wav");
    MessageBoxErrorReporter errors;
    ScreenNavigator navigator(errors);
    GameContext context(random, clock, media, navigator, errors);
    context.options = OptionsFile::load();
    // One size for every window of this run, before the first one is made.
    ScreenScale::apply(context.options.scale);

    navigator.registerScreen(Screen::Title, [&] { return new Title(context); });
    navigator.registerScreen(Screen::Menu, [&] { return new Menu(context); });
    navigator.registerScreen(Screen::Maingame, [&] { return new Maingame(context); });
    navigator.registerScreen(Screen::Training, [&] { return new Training(context); });
    navigator.registerScreen(Screen::Result, [&] { return new result(context); });
    navigator.registerScreen(Screen::Ranking, [&] { return new ranking(context); });

    int status = 0;
    try {
        // A save cut short last time is finished, or undone, before any screen reads the table.
        TableJournal::tidyAtStart();
        OptionsFile::removeLeftovers();
        navigator.show(Screen::Title);
        status = QApplication::exec();
    } catch (...) {
        // Whatever a screen let through still ends in one message box, not an abort.
        errors.fatal(escapedMessage(std::current_exception()));
        return 1;
    }
    return errors.failed() ? 1 : status;
}

} // namespace

int main(int argc, char* argv[]) {
    std::set_terminate(endOnEscaped);
    try {
        return runGame(argc, argv);
    } catch (...) {
        // Before the first window or after the last one: no message box to show it in.
        std::fprintf(stderr, "kazamina-typing: %s\n",
                     escapedMessage(std::current_exception()).toLocal8Bit().constData());
        return 1;
    }
}
