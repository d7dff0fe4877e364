// Cost of one key in the round: the judge plus the repaint it causes, median and p99 over
// 10 000 keys (one in ten wrong). The goal is a p99 under 1 ms.

#include "bench/round_support.h"
#include "round/Maingame.h"

#include <QLabel>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// Counts paints of the window's labels, to show the repaint is inside the measurement.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    roundbench::Bench bench(argc, argv);
    constexpr int Keys = 10'000;
    constexpr int KeysPerRound = 2'000; // a fresh round before the fastest stage can end one
    std::vector<double> costsUs;
    costsUs.reserve(Keys);
    PaintCounter counter;
    using Clock = std::chrono::steady_clock;

    while (static_cast<int>(costsUs.size()) < Keys) {
        auto* window = new Maingame(bench.context);
        for (QLabel* label : window->findChildren<QLabel*>())
            label->installEventFilter(&counter);
        for (int i = 0; i < 4; ++i)
            window->countt_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        for (int k = 0; k < KeysPerRound; ++k) {
            const QString key = k % 10 == 9 ? QStringLiteral("#") : window->judge().target();
            const auto start = Clock::now();
            roundbench::sendKey(window, key);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            costsUs.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        if (window->judge().ended())
            std::printf("warning: a round ended during the measurement\n");
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::sort(costsUs.begin(), costsUs.end());
    auto at = [&](double q) { return costsUs[static_cast<size_t>(q * (costsUs.size() - 1))]; };
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("keys: %zu, label paints: %d\n", costsUs.size(), counter.paints);
    std::printf("median %.1f us, p99 %.1f us, max %.1f us\n", at(0.5), at(0.99), costsUs.back());
    return 0;
}
