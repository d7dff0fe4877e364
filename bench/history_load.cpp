// The progress window on a long history, as a player meets it: a history of realistic rounds
// (every round a simulated game: some 400 romaji keys drawn with the letter frequencies of the
// phrases, misses clustered on a few weak keys, so lines of about 230 bytes as the game writes
// them, with each key's time), then
//   - the streamed read into the window's model, median and worst of 5, wall and CPU time;
//   - the window itself, each time in a fresh process (this program again, with --window):
//     exec to the window's first paint, and its resident memory (now and at peak) then.
// Goals: 1 000 000 rounds: window within 400 ms and 60 MiB resident; 100 000: within 120 ms.
// Usage: bench-history_load [rounds...]        (default 100000 1000000)
//        bench-history_load --untimed [rounds...]  (lines without the keys' times, as written
//                                                    before the game timed keys)
//        bench-history_load --kana [rounds...]   (every other round typed in kana, the last
//                                                    one too: the window opens on the kana keys)
//        bench-history_load [--untimed] [--kana] --write FILE ROUNDS (only writes such a history)
// A history over the file's size limit (256 MiB: some 400 000 timed rounds) is refused.
// The window runs on QT_QPA_PLATFORM (offscreen when unset).

#include "screens/Fonts.h"
#include "screens/KeyboardView.h"
#include "screens/ProgressWindow.h"
#include "stats/HistoryFile.h"
#include "stats/ProgressModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// Both halves of a long history's read count: the process's CPU time, not the thread's.
double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// VmRSS and VmHWM of this process, in MiB.
std::pair<double, double> residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    double rss = 0, hwm = 0;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
            if (line.startsWith("VmHWM:"))
                hwm = line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
        }
    return {rss, hwm};
}

// Rounds written before the game timed each key: lines without the times, a third as long.
bool untimed = false;

// Every other round typed on the kana layout, as a player of both inputs has them.
bool kanaToo = false;

// Writes `rounds` simulated rounds, a line at a time (the writer's memory stays small).
bool writeHistory(const QString& path, int rounds) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // Romaji letter frequencies of the game's phrases, roughly (per mille), vowels and n first.
    static const char letters[] = "aiuoenktsrmhgydzbwpjcf-,.!?";
    static const int weights[] = {120, 100, 90, 95, 70, 80, 75, 60, 40, 35, 35, 30, 20, 20,
                                  15,  12,  12, 10, 8,  8,  10, 6,  5,  6,  4,  2,  2};
    std::mt19937 random(26);
    std::discrete_distribution<int> letter(std::begin(weights), std::end(weights));
    const std::string weak = "tsrz"; // this player's weak keys miss five times as often
    // Kana keys, common ones first, with ゛ for the voiced kana and Shift's small kana; a few weak.
    static const char32_t kanaKeys[] = {U'い', U'う', U'か', U'し', U'た', U'ん', U'の', U'と',
                                        U'な', U'に', U'て', U'は', U'る', U'゛', U'も', U'す',
                                        U'き', U'く', U'あ', U'ょ', U'っ', U'ー', U'ゃ', U'ろ'};
    static const int kanaWeights[] = {90, 80, 70, 60, 60, 55, 50, 45, 40, 40, 40, 35,
                                      30, 45, 25, 25, 25, 25, 20, 12, 15, 15, 8,  4};
    std::discrete_distribution<int> kanaKey(std::begin(kanaWeights), std::end(kanaWeights));
    const std::u32string weakKana = U"゛ょっろ";
    QByteArray out = HistoryFile::Header + '\n';
    for (int i = 0; i < rounds; ++i) {
        HistoryRecord r;
        r.time = QStringLiteral("2026-%1-%2T%3:%4:%5+09:00")
                     .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                     .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                     .arg(i % 24, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'))
                     .arg((i * 7) % 60, 2, 10, QLatin1Char('0'));
        r.level = 1 + static_cast<int>(random() % 14);
        // The newest round is a kana one, so the window opens on the kana keys.
        const bool inKana = kanaToo && (rounds - 1 - i) % 2 == 0;
        r.input = inKana ? GameOptions::Input::Kana : GameOptions::Input::Romaji;
        // Kana rounds have fewer keys for the same phrases: one key per kana.
        const int keys = (300 + static_cast<int>(random() % 300)) / (inKana ? 2 : 1);
        RoundFigures figures;
        int64_t clockNs = 0;
        for (int k = 0; k < keys; ++k) {
            clockNs += 120'000'000 + static_cast<int64_t>(random() % 400) * 1'000'000;
            const char32_t c =
                inKana ? kanaKeys[kanaKey(random)] : static_cast<char32_t>(letters[letter(random)]);
            const bool isWeak = inKana ? weakKana.find(c) != std::u32string::npos
                                       : weak.find(static_cast<char>(c)) != std::string::npos;
            if (random() % 1000 < (isWeak ? 150u : 30u))
                figures.wrongKey(c);
            else
                figures.rightKey(c, clockNs); // timed, as the game does
        }
        r.keys = figures.keys();
        r.misses = figures.misses();
        r.seconds = 60 + (random() % 60000) / 1000.0;
        r.speed = figures.rightKeys() / r.seconds;
        r.accuracy = 100.0 * figures.rightKeys() / r.keys;
        r.maxCombo = static_cast<int>(random() % 200);
        r.score = figures.rightKeys() * 10 * r.level - r.misses * 50;
        r.missesByKey = figures.missesByKey();
        r.keysByKey = figures.keysByKey();
        // Milliseconds, rounded, as the game writes them (the figures count nanoseconds).
        if (!untimed)
            for (const RoundFigures::KeyTime& t : figures.timesByKey())
                r.timesByKey.push_back({t.key, (t.total + 500'000) / 1'000'000, t.count});
        out += HistoryFile::formatLine(r) + '\n';
        if (out.size() > (1 << 20)) {
            if (f.write(out) != out.size())
                return false;
            out.clear();
        }
    }
    return f.write(out) == out.size() && f.flush();
}

// The child: the window on the history in the working folder, timed from exec (the parent
// passes its clock reading) to the first paint of the keyboard.
int windowRun(int argc, char** argv, double execMs) {
    QApplication app(argc, argv);
    Fonts::install();
    const double readFrom = monotonicMs();
    ProgressModel::Loaded loaded = ProgressModel::load(HistoryFile::Path);
    const double readMs = monotonicMs() - readFrom;
    auto* window = new ProgressWindow(loaded);
    window->show();
    // The keyboard is painted last of the window's parts: its first paint is the window drawn.
    class PaintWatch : public QObject {
    public:
        double at = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && at == 0) {
                at = monotonicMs();
                QTimer::singleShot(0, qApp, &QApplication::quit);
            }
            return false;
        }
    } watch;
    QWidget* last = window->keyboard ? static_cast<QWidget*>(window->keyboard) : window;
    last->installEventFilter(&watch);
    QTimer::singleShot(5000, qApp, &QApplication::quit);
    // Quitting closes the window, which deletes itself on close: read it before.
    const int shown = window->model().totalRounds();
    app.exec();
    const auto [rss, hwm] = residentMiB();
    std::printf("%.2f %.1f %.1f %d %.2f\n", watch.at - execMs, rss, hwm, shown, readMs);
    return watch.at > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return windowRun(argc, argv, std::atof(argv[2]));
    // Only writes a history (for a look at it, or to profile the window on it).
    if (argc >= 4 && std::strcmp(argv[argc - 3], "--write") == 0) {
        for (int i = 1; i < argc - 3; ++i) {
            untimed = untimed || std::strcmp(argv[i], "--untimed") == 0;
            kanaToo = kanaToo || std::strcmp(argv[i], "--kana") == 0;
        }
        return writeHistory(QString::fromLocal8Bit(argv[argc - 2]), std::atoi(argv[argc - 1])) ? 0
                                                                                               : 1;
    }

    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--untimed") == 0)
            untimed = true;
        else if (std::strcmp(argv[i], "--kana") == 0)
            kanaToo = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {100'000, 1'000'000};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("system"));
    QDir::setCurrent(dir.path());
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    self[n] = 0;

    for (const int rounds : sizes) {
        if (!writeHistory(QStringLiteral("system/history.csv"), rounds)) {
            std::fprintf(stderr, "cannot write the test history\n");
            return 1;
        }
        const double mb = QFileInfo(QStringLiteral("system/history.csv")).size() / 1e6;

        std::vector<double> wall, cpu;
        int read = 0;
        for (int run = 0; run < 5; ++run) {
            const double c0 = processCpuMs(), t0 = monotonicMs();
            const ProgressModel::Loaded loaded = ProgressModel::load(HistoryFile::Path);
            wall.push_back(monotonicMs() - t0);
            cpu.push_back(processCpuMs() - c0);
            read = loaded.model.totalRounds();
        }
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());

        std::vector<double> windowMs, rss, hwm, readInWindow, besidesRead;
        for (int run = 0; run < 5; ++run) {
            int pipeFds[2];
            if (pipe(pipeFds) != 0)
                return 1;
            const std::string start = std::to_string(monotonicMs());
            const pid_t pid = fork();
            if (pid == 0) {
                dup2(pipeFds[1], STDOUT_FILENO);
                close(pipeFds[0]);
                execl(self, self, "--window", start.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            close(pipeFds[1]);
            char buf[256] = {};
            const ssize_t got = ::read(pipeFds[0], buf, sizeof buf - 1);
            close(pipeFds[0]);
            int status = 0;
            waitpid(pid, &status, 0);
            double ms = 0, r = 0, h = 0, readMs = 0;
            int shown = 0;
            if (got <= 0 ||
                std::sscanf(buf, "%lf %lf %lf %d %lf", &ms, &r, &h, &shown, &readMs) != 5 ||
                shown != rounds) {
                std::fprintf(stderr, "the window run failed: %s\n", buf);
                return 1;
            }
            windowMs.push_back(ms);
            readInWindow.push_back(readMs);
            besidesRead.push_back(ms - readMs);
            rss.push_back(r);
            hwm.push_back(h);
        }
        std::sort(windowMs.begin(), windowMs.end());
        std::sort(rss.begin(), rss.end());
        std::sort(hwm.begin(), hwm.end());
        std::sort(readInWindow.begin(), readInWindow.end());
        std::sort(besidesRead.begin(), besidesRead.end());
        std::printf("history of %d %s%s rounds, %.1f MB (%.0f bytes a line): %d read back\n",
                    rounds, untimed ? "untimed" : "timed", kanaToo ? " romaji and kana" : "", mb,
                    mb * 1e6 / rounds, read);
        std::printf("  streamed read  median %7.1f ms, worst %7.1f ms wall; CPU median %7.1f ms\n",
                    wall[2], wall.back(), cpu[2]);
        std::printf(
            "  window (exec to first paint, fresh process, %s) median %7.1f ms, worst %7.1f "
            "ms\n",
            qgetenv("QT_QPA_PLATFORM").constData(), windowMs[2], windowMs.back());
        std::printf("    of which the read median %7.1f ms; start-up, window and first paint "
                    "median %7.1f ms\n",
                    readInWindow[2], besidesRead[2]);
        std::printf("  window resident memory median %5.1f MiB, peak (VmHWM) median %5.1f MiB, "
                    "worst %5.1f MiB\n",
                    rss[2], hwm[2], hwm.back());
    }
    return 0;
}
