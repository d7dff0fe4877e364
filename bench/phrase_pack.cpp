// Cost of a full phrase pack at round start: reading and checking a 10 000-phrase file (40
// characters of text and 80 of reading at most), then spelling every phrase under spelling A.
// Median and worst over 30 runs, as wall time and as the thread's CPU time. The goal is under
// 50 ms for the whole.

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

// A pack at the limits: 10 000 phrases, each with the longest text and reading allowed, the
// reading mixing kana, katakana, small っ, small kana pairs, ん, ー and ASCII.
QByteArray fullPack() {
    const QStringList syllables = {
        QStringLiteral("か"),   QStringLiteral("しゃ"), QStringLiteral("っ"),
        QStringLiteral("ん"),   QStringLiteral("ツ"),   QStringLiteral("ー"),
        QStringLiteral("ふぁ"), QStringLiteral("ちょ"), QStringLiteral("A"),
        QStringLiteral("の"),   QStringLiteral("じ"),   QStringLiteral("ぇ"),
        QStringLiteral("きゃ"), QStringLiteral("ト"),   QStringLiteral("、"),
        QStringLiteral("ら")};
    std::mt19937 engine(15);
    QString text;
    for (int k = 1; k <= PhrasePack::MaxPhrases; ++k) {
        QString reading;
        while (reading.size() < PhrasePack::MaxReadingLength - 1)
            reading += syllables[static_cast<int>(engine() % syllables.size())];
        reading.truncate(PhrasePack::MaxReadingLength);
        if (reading.endsWith(u'っ') || reading.back().isHighSurrogate())
            reading.chop(1);
        const QString number = QString::number(k);
        text += QString(PhrasePack::MaxTextLength - number.size(), QChar(u'語')) + number +
                QLatin1Char('\t') + reading + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

void report(const char* what, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-30s median %6.2f ms, worst %6.2f ms\n", what, ms[ms.size() / 2], ms.back());
}

} // namespace

int main() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("system"));
    QDir::setCurrent(dir.path());
    const QByteArray bytes = fullPack();
    QFile file(QStringLiteral("system/phrases.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();

    VariantTable table;
    for (const auto& group : SpellingGroups::all())
        group.applyTo(table, 0);

    constexpr int Runs = 30;
    std::vector<double> readMs, spellMs, wholeMs, readCpuMs, spellCpuMs, wholeCpuMs;
    std::size_t romajiChars = 0;
    using Clock = std::chrono::steady_clock;
    for (int run = 0; run < Runs; ++run) {
        const auto start = Clock::now();
        const int64_t startCpu = threadCpuNs();
        const PhrasePack pack = PhrasePack::read(PhrasePack::DefaultPath);
        const auto read = Clock::now();
        const int64_t readCpu = threadCpuNs();
        for (int n = 1; n <= pack.size(); ++n)
            romajiChars += static_cast<std::size_t>(pack.phrase(n, table).romaji.size());
        const auto end = Clock::now();
        readMs.push_back(std::chrono::duration<double, std::milli>(read - start).count());
        spellMs.push_back(std::chrono::duration<double, std::milli>(end - read).count());
        wholeMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        const int64_t endCpu = threadCpuNs();
        readCpuMs.push_back((readCpu - startCpu) / 1e6);
        spellCpuMs.push_back((endCpu - readCpu) / 1e6);
        wholeCpuMs.push_back((endCpu - startCpu) / 1e6);
    }
    std::printf("pack: %d phrases, %lld bytes, %zu romaji characters per spelling pass\n",
                PhrasePack::MaxPhrases, static_cast<long long>(bytes.size()), romajiChars / Runs);
    report("read and check", readMs);
    report("spell every phrase", spellMs);
    report("whole (goal < 50 ms)", wholeMs);
    report("read and check, CPU time", readCpuMs);
    report("spell every phrase, CPU time", spellCpuMs);
    report("whole, CPU time", wholeCpuMs);
    return 0;
}
