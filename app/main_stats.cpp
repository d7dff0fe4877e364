// kazamina-typing-stats: the progress window alone, in a program of its own, so that the game
// does not load the charts' libraries; `kazamina-typing --stats` hands over to it.
#include "app/CommandLine.h"
#include "app/PlatformChoice.h"
#include "app/QtStart.h"
#include "screens/ProgressWindow.h"

int main(int argc, char* argv[]) {
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv), CommandLine::japaneseLocale());
    if (commandLine.done())
        return commandLine.finish();
    if (!PlatformChoice::waylandPluginReady(CommandLine::japaneseLocale()))
        return 1;
    const QtStart qt(argc, argv);
    return runProgressWindow();
}
