// Wall time of one phrase's 500 game ticks at 50, 10, 5 and 1 ms, through the real round
// window with its real timer and the steady clock. The goal is 500 x interval within 2%.
// At 1 ms it also times what the player sees: each change of the lamps is taken at the first
// paint that shows it, against the tick it was due on, and the gaps between the timer events
// that drive the clock are measured.

#include "bench/round_support.h"
#include "screens/Maingame.h"
#include "screens/ShapeWidget.h"

#include <algorithm>
#include <array>
#include <vector>

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
    double largestGapMs = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            ++events;
            const auto now = std::chrono::steady_clock::now();
            if (events > 1)
                largestGapMs = std::max(
                    largestGapMs, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        }
        return false;
    }
    std::chrono::steady_clock::time_point last;
};

// Notes the moment a paint first shows lamps different from the last ones painted.
class LampWatch : public QObject {
public:
    explicit LampWatch(QWidget* window) {
        for (int i = 0; i < 5; ++i)
            lamps[i] = window->findChild<ShapeWidget*>(QStringLiteral("T%1").arg(i + 1));
        shown = state();
        window->installEventFilter(this);
        for (QWidget* child : window->findChildren<QWidget*>())
            child->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const auto now = state();
            if (now != shown) {
                shown = now;
                updates.push_back(std::chrono::steady_clock::now());
            }
        }
        return false;
    }
    std::array<std::pair<bool, QRgb>, 5> state() const {
        std::array<std::pair<bool, QRgb>, 5> s{};
        for (int i = 0; i < 5; ++i)
            s[i] = {lamps[i]->isVisible(), lamps[i]->fill().rgb()};
        return s;
    }
    std::array<ShapeWidget*, 5> lamps{};
    std::array<std::pair<bool, QRgb>, 5> shown{};
    std::vector<std::chrono::steady_clock::time_point> updates;
};

struct Run {
    double wallMs;
    int timerEvents;
    double largestTimerGapMs = 0;
    std::vector<double> lampLateMs; // each lamp change: first paint showing it, after its tick
    double largestLampGapMs = 0;    // between two visible lamp changes
    int budget = 0;
};

// Plays a round up to the interval wanted by typing phrases, then lets one phrase run out.
Run measure(roundbench::Bench& bench, int intervalMs) {
    auto* window = new Maingame(bench.context);
    roundbench::Bench::waitExposed(window);
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
    const int budget = window->judge().timeLeft();
    LampWatch lamps(window);
    while (!window->judge().ended())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The last lamp goes out as the round ends: let its paint through.
    QCoreApplication::processEvents();
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    Run run{wallMs, counter.events, counter.largestGapMs, {}, 0, budget};
    // The lamps change as the time left reaches 400, 300, 200, 100 and 0 ticks.
    std::vector<int> dueTicks;
    for (int left : {400, 300, 200, 100, 0})
        if (budget - left >= 1)
            dueTicks.push_back(budget - left);
    for (std::size_t i = 0; i < lamps.updates.size() && i < dueTicks.size(); ++i) {
        const auto due = start + std::chrono::milliseconds(dueTicks[i] * intervalMs);
        run.lampLateMs.push_back(
            std::chrono::duration<double, std::milli>(lamps.updates[i] - due).count());
        if (i > 0)
            run.largestLampGapMs = std::max(
                run.largestLampGapMs,
                std::chrono::duration<double, std::milli>(lamps.updates[i] - lamps.updates[i - 1])
                    .count());
    }
    if (lamps.updates.size() != dueTicks.size())
        std::printf("warning: %zu lamp changes painted, %zu due\n", lamps.updates.size(),
                    dueTicks.size());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    roundbench::Bench bench(argc, argv);
    std::printf("platform: %s\n", bench.describe().c_str());
    std::printf("%8s %12s %12s %9s %14s\n", "interval", "nominal ms", "wall ms", "error",
                "GT events");
    for (int interval : {50, 10, 5, 1}) {
        const int repeats = interval == 50 ? 1 : 3;
        for (int r = 0; r < repeats; ++r) {
            const Run run = measure(bench, interval);
            const double nominal = 500.0 * interval;
            std::printf("%6d ms %12.1f %12.1f %+8.2f%% %10d/500\n", interval, nominal, run.wallMs,
                        100.0 * (run.wallMs - nominal) / nominal, run.timerEvents);
            if (interval == 1) {
                std::vector<double> late = run.lampLateMs;
                std::sort(late.begin(), late.end());
                std::printf(
                    "         lamps (budget %d ticks): %zu changes painted, each %s ms "
                    "after its tick was due; largest gap between two lamp paints %.1f "
                    "ms (nominal 100); largest gap between GT events %.1f ms\n",
                    run.budget, late.size(),
                    [&] {
                        QStringList parts;
                        for (double l : run.lampLateMs)
                            parts << QString::number(l, 'f', 1);
                        return parts.join(QStringLiteral(" / ")).toStdString();
                    }()
                        .c_str(),
                    run.largestLampGapMs, run.largestTimerGapMs);
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
