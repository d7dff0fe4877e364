#pragma once

// Shared set-up of the round benchmarks: a real game context in a scratch working directory,
// with the real sound layer (SDL's dummy driver when no other is asked for) and the bundled
// key effects, on the display asked for:
//     --offscreen   Qt's offscreen platform
//     --xvfb        a private Xvfb server, started and stopped here (Qt's xcb platform)
//     (neither)     whatever QT_QPA_PLATFORM says, offscreen when it is unset

#include "core/ClockRandomSource.h"
#include "core/ErrorReporter.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "core/SteadyClock.h"
#include "sound/SdlMedia.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <QWindow>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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
    bool failed() const override { return false; }
};

// A private Xvfb for the length of the run, when --xvfb is given; sets DISPLAY and the platform
// before QApplication is made.
class Display {
public:
    Display(int argc, char** argv) {
        bool xvfb = false;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--offscreen") == 0)
                qputenv("QT_QPA_PLATFORM", "offscreen");
            xvfb = xvfb || std::strcmp(argv[i], "--xvfb") == 0;
        }
        if (qgetenv("QT_QPA_PLATFORM").isEmpty() && !xvfb)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (xvfb)
            startXvfb();
        if (!qEnvironmentVariableIsSet("SDL_AUDIODRIVER"))
            qputenv("SDL_AUDIODRIVER", "dummy");
    }
    ~Display() {
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
    }
    // What the figures were measured on, for the output.
    std::string describe() const {
        const std::string platform = qPrintable(QGuiApplication::platformName());
        if (m_server > 0)
            return platform + " on Xvfb " + m_display;
        if (platform == "xcb")
            return platform + " on X display " + qgetenv("DISPLAY").toStdString();
        return platform;
    }

private:
    void startXvfb() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_server = fork();
        if (m_server == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char number[16] = {};
        const ssize_t n = read(fds[0], number, sizeof number - 1);
        close(fds[0]);
        if (n <= 0) {
            std::fprintf(stderr, "Xvfb did not start\n");
            std::exit(1);
        }
        m_display = ":" + std::string(number, static_cast<std::size_t>(n));
        while (!m_display.empty() && (m_display.back() == '\n' || m_display.back() == ' '))
            m_display.pop_back();
        qputenv("DISPLAY", m_display.c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    pid_t m_server = -1;
    std::string m_display;
};

// Runs inside a scratch folder with the default settings and the bundled key effects.
struct Bench {
    Bench(int& argc, char** argv) : display(argc, argv), app(argc, argv) {
        Fonts::install();
        QDir(dir.path()).mkpath(QStringLiteral("system"));
        QDir(dir.path()).mkpath(QStringLiteral("music"));
        QFile::copy(QStringLiteral(KAZAMINA_SOURCE_DIR "/data/system/char.aty"),
                    dir.filePath(QStringLiteral("system/char.aty")));
        for (const char* effect : {"ok.wav", "miss.wav"})
            if (!QFile::copy(QStringLiteral(KAZAMINA_GENERATED_MUSIC "/") + effect,
                             dir.filePath(QStringLiteral("music/") + effect)))
                std::fprintf(stderr, "warning: no bundled %s; build the game first\n", effect);
        QDir::setCurrent(dir.path());
        // As the game does at start: the effects are decoded before the first key.
        media.preload("music\\ok.wav");
        media.preload("music\\miss.wav");
        media.waitUntilDecoded(std::chrono::seconds(5));
    }

    // Waits until a shown window is on the screen, so its repaints are real ones.
    static void waitExposed(QWidget* window) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (window->windowHandle() && !window->windowHandle()->isExposed() &&
               std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::processEvents();
    }

    std::string describe() const {
        return display.describe() + ", sound: SDL " + (media.hasDevice() ? media.driver() : "none");
    }

    Display display;
    QApplication app;
    QTemporaryDir dir;
    ClockRandomSource random;
    SteadyClock clock;
    SdlMedia media;
    NoNavigator navigator;
    PrintingErrors errors;
    GameContext context{random, clock, media, navigator, errors};
};

inline void sendKey(QWidget* window, const QString& character) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, character);
    QApplication::sendEvent(window, &press);
}

} // namespace roundbench
