// Wall time of one phrase's 500 game ticks at 50, 10, 5 and 1 ms, through the real round
// window with its real timer and the steady clock. The goal is 500 x interval within 2%.

#include "bench/round_support.h"
#include "round/Maingame.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// Counts the timer events that actually reach GT, to show how many the host drops.
class EventCounter : public QObject {
public:
    int events = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer)
            ++events;
        return false;
    }
};

struct Run {
    double wallMs;
    int timerEvents;
};

// Plays a round up to the interval wanted by typing phrases, then lets one phrase run out.
Run measure(roundbench::Bench& bench, int intervalMs) {
    auto* window = new Maingame(bench.context);
    for (int i = 0; i < 4; ++i)
        window->countt_Timer();
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    while (window->judge().intervalMs() != intervalMs) {
        const QString romaji = window->judge().romaji();
        for (QChar c : romaji) {
            // The key that changes the interval starts the new phrase's clock; taking the time
            // before it, not after its repaint, keeps that repaint inside the measurement.
            start = Clock::now();
            roundbench::sendKey(window, QString(c));
        }
    }
    EventCounter counter;
    window->findChild<QTimer*>(QStringLiteral("GT"))->installEventFilter(&counter);
    while (!window->judge().ended())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return {wallMs, counter.events};
}

} // namespace

int main(int argc, char** argv) {
    roundbench::Bench bench(argc, argv);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("%8s %12s %12s %9s %14s\n", "interval", "nominal ms", "wall ms", "error",
                "GT events");
    for (int interval : {50, 10, 5, 1}) {
        const int repeats = interval == 50 ? 1 : 3;
        for (int r = 0; r < repeats; ++r) {
            const Run run = measure(bench, interval);
            const double nominal = 500.0 * interval;
            std::printf("%6d ms %12.1f %12.1f %+8.2f%% %10d/500\n", interval, nominal, run.wallMs,
                        100.0 * (run.wallMs - nominal) / nominal, run.timerEvents);
            std::fflush(stdout);
        }
    }
    return 0;
}
