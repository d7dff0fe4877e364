// The history reader and appender on any file: no crash; every round read writes a line that
// reads back to the same line; skipped lines are counted in order; the streamed reader reads
// what the whole-file reader reads; and an append to the file either refuses and leaves it byte
// for byte, or keeps every round read before it, in order, and adds the new round last.
#include "stats/HistoryFile.h"
#include "stats/HistoryReader.h"
#include "tests/fuzz/FuzzCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

HistoryRecord aRound() {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:15:00+09:00");
    r.score = 1234;
    r.level = 2;
    r.keys = 10;
    r.misses = 1;
    r.seconds = 3.5;
    r.missesByKey = {{U',', 1}};
    r.keysByKey = {{U',', 2}, {U'"', 3}, {U'、', 5}};
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HistoryFile::Loaded before = HistoryFile::parse(bytes);
    for (const HistoryRecord& r : before.records) {
        const QByteArray line = HistoryFile::formatLine(r);
        HistoryRecord back;
        FUZZ_CHECK(HistoryFile::parseLine(line.cbegin(), line.cend(), back));
        // A figure edited by hand with more decimals than the game writes is rounded, once.
        FUZZ_CHECK(HistoryFile::formatLine(back) == line);
    }
    for (size_t i = 1; i < before.skippedLines.size(); ++i)
        FUZZ_CHECK(before.skippedLines[i - 1] < before.skippedLines[i]);
    // The progress window's streamed reader, with its own line parser, reads the same rounds
    // (all but their time) and skips the same lines, wherever its blocks cut the file.
    // A long history is read in two halves: cut in the middle, the halves' rounds follow each
    // other as one reading's.
    for (const qsizetype block : {qsizetype(7), HistoryReader::BlockBytes, qsizetype(0)}) {
        std::vector<HistoryRecord> streamed;
        const auto sink = [&](const HistoryRecord& r) { streamed.push_back(r); };
        std::vector<HistoryRecord> later;
        const HistoryReader::Result read =
            block > 0 ? HistoryReader::readBytes(bytes, sink, block)
                      : HistoryReader::readBytesInTwo(
                            bytes, sink, [&](const HistoryRecord& r) { later.push_back(r); },
                            bytes.size() / 2, 5);
        streamed.insert(streamed.end(), later.begin(), later.end());
        FUZZ_CHECK(read.error.isEmpty() == before.error.isEmpty());
        if (!before.error.isEmpty())
            continue;
        FUZZ_CHECK(streamed.size() == before.records.size());
        for (size_t i = 0; i < streamed.size(); ++i) {
            HistoryRecord expected = before.records[i];
            expected.time.clear();
            FUZZ_CHECK(streamed[i] == expected);
        }
        FUZZ_CHECK(read.skipped == static_cast<int>(before.skippedLines.size()));
        FUZZ_CHECK(read.tornTail == before.tornTail);
        FUZZ_CHECK(std::equal(read.skippedLines.begin(), read.skippedLines.end(),
                              before.skippedLines.begin(),
                              before.skippedLines.begin() + read.skippedLines.size()));
    }

    const QString path = folder.filePath(QStringLiteral("history.csv"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const QString refused = HistoryFile::append(aRound(), path);
    const HistoryFile::Loaded after = HistoryFile::load(path);
    if (!refused.isEmpty()) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        FUZZ_CHECK(file.readAll() == bytes);
        return 0;
    }
    FUZZ_CHECK(after.error.isEmpty());
    FUZZ_CHECK(after.records.size() == before.records.size() + 1);
    for (size_t i = 0; i < before.records.size(); ++i)
        FUZZ_CHECK(after.records[i] == before.records[i]);
    FUZZ_CHECK(after.records.back() == aRound());
    FUZZ_CHECK(!after.tornTail);
    return 0;
}
