// Loading system/history.csv of 100 000 rounds, as the progress window does at start: median
// and worst of 10 loads from a warm file, and the model built from it. The goal is under 200 ms.
// Wall time and the thread's CPU time (which other processes on a busy machine do not inflate).
// Usage: bench-history_load [rounds]

#include "stats/HistoryFile.h"
#include "stats/ProgressModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100'000;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("system"));
    QDir::setCurrent(dir.path());

    // Rounds of a player who misses a handful of keys each time: about 230 bytes a line.
    QByteArray bytes = HistoryFile::Header + '\n';
    for (int i = 0; i < rounds; ++i) {
        HistoryRecord r;
        r.time = QStringLiteral("2026-12-07T20:15:%1+09:00").arg(i % 60, 2, 10, QLatin1Char('0'));
        r.score = 1000 + i % 50'000;
        r.level = 1 + i % 14;
        r.maxCombo = i % 300;
        r.keys = 400 + i % 200;
        r.misses = i % 40;
        r.seconds = 95.125;
        r.speed = 4.25;
        r.accuracy = 93.4;
        r.missesByKey = {{U't', 1 + i % 5}, {U's', 2}, {U'n', 1}, {U'u', 3}, {U'h', 1}};
        for (char32_t c = U'a'; c <= U'z'; c += 2)
            r.keysByKey.emplace_back(c, 10 + (i + c) % 30);
        bytes += HistoryFile::formatLine(r) + '\n';
    }
    {
        QFile f(QStringLiteral("system/history.csv"));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write the test history\n");
            return 1;
        }
    }

    using Clock = std::chrono::steady_clock;
    std::vector<double> loadMs, cpuMs, modelMs;
    size_t loaded = 0;
    for (int run = 0; run < 10; ++run) {
        const double c0 = threadCpuMs();
        const auto t0 = Clock::now();
        const HistoryFile::Loaded history = HistoryFile::load();
        const auto t1 = Clock::now();
        cpuMs.push_back(threadCpuMs() - c0);
        const ProgressModel model(history.records);
        const auto t2 = Clock::now();
        loaded = history.records.size() + static_cast<size_t>(model.empty());
        loadMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        modelMs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    std::sort(loadMs.begin(), loadMs.end());
    std::sort(modelMs.begin(), modelMs.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    std::printf("history of %d rounds, %.1f MB: %zu read back\n", rounds, bytes.size() / 1e6,
                loaded);
    std::printf("load   median %7.1f ms, worst %7.1f ms (goal: under 200 ms)\n", loadMs[5],
                loadMs.back());
    std::printf("load   median %7.1f ms, worst %7.1f ms of CPU time\n", cpuMs[5], cpuMs.back());
    std::printf("model  median %7.1f ms, worst %7.1f ms\n", modelMs[5], modelMs.back());
    return loaded == static_cast<size_t>(rounds) ? 0 : 1;
}
