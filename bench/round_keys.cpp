// Cost of one key in the round: the judge, its key effect through the real sound layer, and the
// repaint it causes, median and p99 over 10 000 keys (one in ten wrong), as wall time and as
// the thread's CPU time (which a busy machine does not inflate). The goal is a p99 under 1 ms.
// Without arguments it runs twice, offscreen and then on a private Xvfb; --offscreen or --xvfb
// runs one of them. With --either-spelling the round judges both spellings of every variable
// kana; with --kana it plays in kana input, every key sent by its JIS position's scan code.

#include "bench/round_support.h"
#include "screens/Maingame.h"
#include "typing/KanaLayout.h"

#include <QLabel>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <unistd.h>

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

// CPU time of this thread: the key's own work, without the time other processes took the core.
int64_t threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

void report(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[static_cast<size_t>(q * (us.size() - 1))]; };
    std::printf("%-22s median %7.1f us, p99 %7.1f us, max %8.1f us\n", what, at(0.5), at(0.99),
                us.back());
}

// The key at the kana's JIS position, as the X server reports it: the scan code, and the
// character a US layout makes of it. A kana the layout lacks goes as the text alone (a miss).
void sendKanaKey(QWidget* window, const QString& kana) {
    const auto key = kana.size() == 1 ? KanaLayout::keyFor(kana.at(0)) : std::nullopt;
    if (!key) {
        roundbench::sendKey(window, kana);
        return;
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, key->shift ? Qt::ShiftModifier : Qt::NoModifier,
                    static_cast<quint32>(key->keycode), 0, 0, QStringLiteral("x"));
    QApplication::sendEvent(window, &press);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        // Each display in a process of its own: a Qt application has one platform for life.
        int failed = 0;
        for (const char* flag : {"--offscreen", "--xvfb"}) {
            std::fflush(stdout);
            const std::string command = "/proc/" + std::to_string(getpid()) + "/exe " + flag;
            failed |= std::system(command.c_str());
            std::printf("\n");
        }
        return failed ? 1 : 0;
    }
    roundbench::Bench bench(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--either-spelling") == 0)
            bench.context.options.judging = GameOptions::Judging::Both;
        if (std::strcmp(argv[i], "--kana") == 0)
            bench.context.options.input = GameOptions::Input::Kana;
    }
    constexpr int Keys = 10'000;
    constexpr int KeysPerRound = 2'000; // a fresh round before the fastest stage can end one
    std::vector<double> costsUs, plainUs, completionUs, cpuUs;
    costsUs.reserve(Keys);
    PaintCounter counter;
    using Clock = std::chrono::steady_clock;

    while (static_cast<int>(costsUs.size()) < Keys) {
        auto* window = new Maingame(bench.context);
        roundbench::Bench::waitExposed(window);
        for (QLabel* label : window->findChildren<QLabel*>())
            label->installEventFilter(&counter);
        for (int i = 0; i < 4; ++i)
            window->countt_Timer();
        // The game clock still counts (keys catch up on due ticks), but GT's own events would
        // add tick work to the key's figure.
        window->findChild<QTimer*>(QStringLiteral("GT"))->stop();
        QCoreApplication::processEvents();
        for (int k = 0; k < KeysPerRound; ++k) {
            const QString key = k % 10 == 9 ? QStringLiteral("#") : window->judge().target();
            const auto start = Clock::now();
            const int64_t startCpu = threadCpuNs();
            const int phrase = window->judge().phraseSerial();
            if (bench.context.options.input == GameOptions::Input::Kana)
                sendKanaKey(window, key);
            else
                roundbench::sendKey(window, key);
            QCoreApplication::processEvents(); // delivers the update request: the repaint
            const double us =
                std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            cpuUs.push_back((threadCpuNs() - startCpu) / 1000.0);
            costsUs.push_back(us);
            (window->judge().phraseSerial() != phrase ? completionUs : plainUs).push_back(us);
        }
        if (window->judge().ended())
            std::printf("warning: a round ended during the measurement\n");
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::printf("platform: %s\n", bench.describe().c_str());
    std::printf("keys: %zu (%zu finishing a phrase), label paints: %d\n", costsUs.size(),
                completionUs.size(), counter.paints);
    report("all keys", costsUs);
    report("all keys, CPU time", cpuUs);
    report("phrase-finishing keys", completionUs);
    report("other keys", plainUs);
    return 0;
}
