// Cost of judging by the reading: a 10 000-row romaji table (the built-in rows and filler rows
// whose outputs are the kana of the phrase, so every search meets long row lists) is written to
// a file and loaded 30 times; then the longest reading a phrase may have (80 characters of
// kana, ん, っ and signs) is typed 2 000 times in the table's own spelling with one refused key
// per kana, and every key is timed. Figures: median and p99 per key, phrase start (the judge
// built for a phrase), table load, and resident memory before and after the typing, which
// must not grow. Goals: p99 per key at most 20 µs, the load at most 5 ms.

#include "typing/ReadingJudge.h"
#include "typing/RomajiTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int64_t threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

double us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString reading =
        QStringLiteral("しんぶんしとまっちゃのきっさてんでこんなにんげんがちょっとふぁんたじー、"
                       "ゔぃおらをひいてうぉーきんぐ…ぱっぷぅとてぃーかっぷをもってきゃっきゃ!");
    QFile builtInFile(QStringLiteral(":/romaji/ime.tsv"));
    builtInFile.open(QIODevice::ReadOnly);
    QString text = QString::fromUtf8(builtInFile.readAll());
    const int builtInRows = RomajiTable::builtIn()->size();
    std::mt19937 engine(21);
    QStringList kana;
    for (QChar c : reading)
        kana << QString(c);
    QSet<QString> seen;
    for (const QString& line : text.split(QLatin1Char('\n')))
        seen.insert(line.section(QLatin1Char('\t'), 0, 0));
    int rows = builtInRows;
    while (rows < RomajiTable::MaxRows) {
        // Upper-case keys of 3 to 8 letters: never typed, never a prefix of a real row.
        QString keys;
        const int length = 3 + static_cast<int>(engine() % 6);
        for (int i = 0; i < length; ++i)
            keys += QChar(u'A' + static_cast<char16_t>(engine() % 26));
        if (seen.contains(keys))
            continue;
        seen.insert(keys);
        QString output;
        const int outLength = 1 + static_cast<int>(engine() % 3);
        for (int i = 0; i < outLength; ++i)
            output += kana[static_cast<int>(engine() % kana.size())];
        text += keys + QLatin1Char('\t') + output + QLatin1Char('\n');
        ++rows;
    }
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir().mkpath(QStringLiteral("system"));
    QFile out(QStringLiteral("system/romaji.tsv"));
    out.open(QIODevice::WriteOnly);
    out.write(text.toUtf8());
    out.close();

    std::vector<double> loads, loadsCpu;
    RomajiTable table = RomajiTable::read(RomajiTable::PlayerPath);
    for (int i = 0; i < 30; ++i) {
        const auto t0 = Clock::now();
        const int64_t c0 = threadCpuNs();
        table = RomajiTable::read(RomajiTable::PlayerPath);
        loadsCpu.push_back(static_cast<double>(threadCpuNs() - c0) / 1000.0);
        loads.push_back(us(Clock::now() - t0));
    }

    if (argc > 1 && QByteArray(argv[1]) == "--load-only") {
        std::printf("load median %.0f us\n", percentile(loads, 0.5));
        return 0;
    }
    // Typed as the built-in table spells it (the filler rows are never typed).
    const QString spelling = ReadingJudge(reading, *RomajiTable::builtIn()).guide();
    std::vector<double> keys, keysCpu, starts;
    // Filled first, so that the figures' own pages do not count as the judge's memory.
    keys.assign(2000 * static_cast<std::size_t>(spelling.size()), 0.0);
    keysCpu.assign(keys.size(), 0.0);
    starts.assign(2000, 0.0);
    std::size_t key = 0;
    long rssBefore = 0;
    for (int round = 0; round < 2000; ++round) {
        if (round == 200)
            rssBefore = residentKiB();
        const auto t0 = Clock::now();
        ReadingJudge judge(reading, table, spelling);
        starts[static_cast<std::size_t>(round)] = us(Clock::now() - t0);
        for (QChar c : spelling) {
            const int64_t c0 = threadCpuNs();
            const auto k0 = Clock::now();
            judge.feed(QLatin1Char('@')); // refused: a miss costs a search too
            judge.feed(c);
            const QString rest = judge.rest();
            keys[key] = us(Clock::now() - k0) / 2;
            keysCpu[key++] = static_cast<double>(threadCpuNs() - c0) / 2000.0;
        }
        if (!judge.complete()) {
            std::fprintf(stderr, "the spelling did not complete the phrase\n");
            return 1;
        }
    }
    const long rssAfter = residentKiB();
    std::printf("table: %d rows, load median %.0f us (CPU %.0f us), worst %.0f us (CPU %.0f us), "
                "30 loads\n",
                table.size(), percentile(loads, 0.5), percentile(loadsCpu, 0.5),
                percentile(loads, 1.0), percentile(loadsCpu, 1.0));
    std::printf("reading: %lld characters, spelt in %lld keys: %s\n",
                static_cast<long long>(reading.size()), static_cast<long long>(spelling.size()),
                qPrintable(spelling));
    std::printf("per key (a refused key and a right one, with the line): median %.2f us, p99 "
                "%.2f us (CPU %.2f us), worst %.2f us over %zu keys\n",
                percentile(keys, 0.5), percentile(keys, 0.99), percentile(keysCpu, 0.99),
                percentile(keys, 1.0), keys.size());
    std::printf("phrase start: median %.0f us, p99 %.0f us\n", percentile(starts, 0.5),
                percentile(starts, 0.99));
    std::printf("resident memory: %ld KiB after 200 phrases, %ld KiB after 2 000\n", rssBefore,
                rssAfter);
    return 0;
}
