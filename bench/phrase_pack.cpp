// Cost of a full phrase pack at round start, as the round meets it: reading and checking a
// 10 000-phrase file with the longest text (40 characters) and reading (80) allowed on every
// line, then drawing one phrase and spelling it under spelling A ("round start", the goal).
// Spelling every phrase of the pack is timed apart: no round does it, it bounds what a whole
// pack's spellings cost. Two packs: readings made of the built-in phrases' readings (the kana
// mix of real phrases), and readings made mostly of variable kana and small っ (the most
// pieces a reading can have). Median and worst over 30 runs, as wall time and as the thread's
// CPU time (which a busy machine does not inflate). The goal is under 50 ms for the whole.

#include "core/ClockRandomSource.h"
#include "phrases/PhrasePack.h"
#include "settings/SpellingGroups.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

namespace {

int64_t threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

// The kana readings of the 100 built-in phrases.
QStringList builtInReadings() {
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/readings.tsv"));
    QStringList readings;
    if (!file.open(QIODevice::ReadOnly))
        return readings;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (const QStringList fields = lines[i].split(QLatin1Char('\t')); fields.size() > 2)
            readings << fields[2];
    return readings;
}

// 10 000 phrases at the length limits, their readings joined from `pieces` at random.
QByteArray fullPack(const QStringList& pieces) {
    std::mt19937 engine(15);
    QString text;
    for (int k = 1; k <= PhrasePack::MaxPhrases; ++k) {
        QString reading;
        while (reading.size() < PhrasePack::MaxReadingLength)
            reading += pieces[static_cast<int>(engine() % pieces.size())];
        reading.truncate(PhrasePack::MaxReadingLength);
        if (reading.back().isHighSurrogate())
            reading.chop(1);
        const QString number = QString::number(k);
        text += QString(PhrasePack::MaxTextLength - number.size(), QChar(u'語')) + number +
                QLatin1Char('\t') + reading + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

void report(const char* what, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("  %-30s median %6.2f ms, worst %6.2f ms\n", what, ms[ms.size() / 2], ms.back());
}

bool measure(const char* name, const QByteArray& bytes, const VariantTable& table) {
    QFile file(QStringLiteral("system/phrases.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();

    constexpr int Runs = 30;
    std::vector<double> readMs, spellMs, wholeMs, readCpuMs, spellCpuMs, wholeCpuMs, startMs,
        startCpuMs;
    ClockRandomSource random;
    std::size_t romajiChars = 0, pieces = 0;
    using Clock = std::chrono::steady_clock;
    for (int run = 0; run < Runs; ++run) {
        const auto start = Clock::now();
        const int64_t startCpu = threadCpuNs();
        const PhrasePack pack = PhrasePack::read(PhrasePack::DefaultPath);
        const auto read = Clock::now();
        const int64_t readCpu = threadCpuNs();
        for (int n = 1; n <= pack.size(); ++n) {
            const Phrase phrase = pack.phrase(n, table);
            romajiChars += static_cast<std::size_t>(phrase.romaji.size());
            pieces += phrase.pieces.size();
        }
        const auto end = Clock::now();
        const int64_t endCpu = threadCpuNs();
        readMs.push_back(std::chrono::duration<double, std::milli>(read - start).count());
        spellMs.push_back(std::chrono::duration<double, std::milli>(end - read).count());
        wholeMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        readCpuMs.push_back((readCpu - startCpu) / 1e6);
        spellCpuMs.push_back((endCpu - readCpu) / 1e6);
        wholeCpuMs.push_back((endCpu - startCpu) / 1e6);

        // What a round start does: read and check the pack, draw a phrase, spell that one.
        random.reseed();
        const auto roundStart = Clock::now();
        const int64_t roundStartCpu = threadCpuNs();
        const Phrase drawn = PhrasePack::read(PhrasePack::DefaultPath).draw(random, table);
        startCpuMs.push_back((threadCpuNs() - roundStartCpu) / 1e6);
        startMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - roundStart).count());
        romajiChars += drawn.romaji.isEmpty() ? 1 : 0; // never: a drawn phrase has its romaji
    }
    std::printf("%s: %d phrases, %lld bytes, %zu romaji characters in %zu pieces\n", name,
                PhrasePack::MaxPhrases, static_cast<long long>(bytes.size()), romajiChars / Runs,
                pieces / Runs);
    report("round start (goal < 50 ms)", startMs);
    report("round start, CPU time", startCpuMs);
    report("read and check", readMs);
    report("spell every phrase", spellMs);
    report("read and spell all", wholeMs);
    report("read and check, CPU time", readCpuMs);
    report("spell every phrase, CPU time", spellCpuMs);
    report("read and spell all, CPU time", wholeCpuMs);
    return true;
}

} // namespace

int main() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("system"));
    QDir::setCurrent(dir.path());
    VariantTable table;
    for (const auto& group : SpellingGroups::all())
        group.applyTo(table, 0);

    const QStringList readings = builtInReadings();
    if (readings.size() != 100) {
        std::fprintf(stderr, "tests/data/readings.tsv not found under %s\n", KAZAMINA_SOURCE_DIR);
        return 1;
    }
    const QStringList variableHeavy = {QStringLiteral("しゃ"), QStringLiteral("っち"),
                                       QStringLiteral("ん"),   QStringLiteral("ツ"),
                                       QStringLiteral("ー"),   QStringLiteral("っちょ"),
                                       QStringLiteral("じ"),   QStringLiteral("ぇ"),
                                       QStringLiteral("か"),   QStringLiteral("A")};
    if (!measure("built-in readings", fullPack(readings), table) ||
        !measure("variable-heavy readings", fullPack(variableHeavy), table))
        return 1;
    return 0;
}
