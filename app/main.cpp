#include "app/ClockRandomSource.h"
#include "app/Fonts.h"
#include "app/GameContext.h"
#include "app/MessageBoxErrorReporter.h"
#include "app/ScreenNavigator.h"
#include "app/SteadyClock.h"
#include "sound/SilentMedia.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Fonts::install();

    ClockRandomSource random;
    SteadyClock clock;
    SilentMedia media;
    ScreenNavigator navigator;
    MessageBoxErrorReporter errors;
    GameContext context(random, clock, media, navigator, errors);

    // The screens are registered here as they are built.
    QLabel placeholder(QStringLiteral("カザミナへのタイピング"));
    placeholder.setWindowTitle(QStringLiteral("カザミナへのタイピング"));
    placeholder.show();

    const int status = app.exec();
    return errors.failed() ? 1 : status;
}
