#pragma once

// Shared set-up of the round benchmarks: a real game context in a scratch working directory.

#include "app/ClockRandomSource.h"
#include "app/ErrorReporter.h"
#include "app/Fonts.h"
#include "app/GameContext.h"
#include "app/Navigator.h"
#include "app/SteadyClock.h"
#include "sound/SilentMedia.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace roundbench {

class NoNavigator : public Navigator {
public:
    void show(Screen) override {}
};

class PrintingErrors : public ErrorReporter {
public:
    void fatal(const QString& message) override {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        std::exit(1);
    }
};

// Headless unless a display is asked for; runs inside a scratch folder with the default settings.
struct Bench {
    Bench(int& argc, char** argv)
        : headless(qgetenv("QT_QPA_PLATFORM").isEmpty() && qputenv("QT_QPA_PLATFORM", "offscreen")),
          app(argc, argv) {
        Fonts::install();
        QDir(dir.path()).mkpath(QStringLiteral("system"));
        QFile::copy(QStringLiteral(KAZAMINA_SOURCE_DIR "/data/system/char.aty"),
                    dir.filePath(QStringLiteral("system/char.aty")));
        QDir::setCurrent(dir.path());
    }

    bool headless;
    QApplication app;
    QTemporaryDir dir;
    ClockRandomSource random;
    SteadyClock clock;
    SilentMedia media;
    NoNavigator navigator;
    PrintingErrors errors;
    GameContext context{random, clock, media, navigator, errors};
};

inline void sendKey(QWidget* window, const QString& character) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, character);
    QApplication::sendEvent(window, &press);
}

} // namespace roundbench
