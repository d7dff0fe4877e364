#include "stats/HistoryFile.h"
#include "stats/HistoryReader.h"
#include "tests/support/TempWorkDir.h"

#include <gtest/gtest.h>

namespace {

QByteArray line(int score) {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:15:00+09:00");
    r.score = score;
    r.keys = 200;
    r.misses = 10;
    r.seconds = 60.5;
    r.speed = 3.1;
    r.accuracy = 95;
    r.missesByKey = {{U'"', 2}, {U',', 1}}; // quoted fields, commas inside them
    r.keysByKey = {{U'"', 20}, {U',', 10}, {U'a', 170}};
    return HistoryFile::formatLine(r);
}

} // namespace

// The streamed reading gives the same rounds, skipped lines, torn tail and refusal as reading
// the whole file at once, wherever the blocks happen to cut the lines. Catches a line split at
// a block boundary read as two, a CR left on a line cut between CR and LF, an overlong line
// that is read anyway or swallows the next one, and a torn tail taken for a round.
TEST(HistoryReader, readsAsTheWholeFileReadsWhereverTheBlocksCut) {
    const QByteArray h = HistoryFile::Header;
    const QByteArray longLine = line(1) + ',' + QByteArray(HistoryFile::MaxLineBytes, 'x');
    QByteArray manyBad = h + '\n';
    for (int i = 0; i < 15; ++i)
        manyBad += "not a round\n" + line(i) + '\n';
    const QList<QByteArray> files = {
        "",
        h.left(20), // the header itself torn on the first write
        h + '\n',
        h + "\r\n" + line(1) + "\r\n" + line(2) + "\r\n",
        h + '\n' + line(1) + '\n' + "\n" + "garbage,1\n" + line(2) + '\n' + line(3),
        h + '\n' + line(1) + '\n' + longLine + '\n' + line(2) + '\n',
        h + '\n' + line(1) + '\n' + longLine,
        h + '\n' + line(1) + '\n' + line(2),          // a whole last round without its end
        h + '\n' + line(1) + '\n' + line(2) + '\r',   // ... ending in CR alone
        h + '\n' + line(1) + '\n' + line(2).left(30), // torn mid-append
        h + '\n' + line(1) + "\n\r",
        "name,score\nTaro,1\n",
        QByteArray(HistoryFile::MaxLineBytes * 2, 'h') + '\n' + line(1) + '\n',
        manyBad,
        // A history of the older, shorter header: its lines read in their own columns.
        HistoryFile::FirstHeader + '\n' +
            "2026-12-07T20:15:00+09:00,500,2,30,200,4,61.000,3.20,98.0,on,a:4,a:200\n" + line(1) +
            '\n',
    };
    for (const QByteArray& bytes : files) {
        const HistoryFile::Loaded whole = HistoryFile::parse(bytes);
        for (qsizetype block : {qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(100),
                                HistoryReader::BlockBytes}) {
            SCOPED_TRACE(testing::Message()
                         << "block " << block << ": " << bytes.left(60).constData());
            std::vector<HistoryRecord> rounds;
            const HistoryReader::Result read = HistoryReader::readBytes(
                bytes, [&](const HistoryRecord& r) { rounds.push_back(r); }, block);
            EXPECT_EQ(read.error.isEmpty(), whole.error.isEmpty());
            if (!whole.error.isEmpty())
                continue;
            EXPECT_EQ(rounds, whole.records);
            EXPECT_EQ(read.rounds, static_cast<int>(whole.records.size()));
            EXPECT_EQ(read.tornTail, whole.tornTail);
            EXPECT_EQ(read.skipped, static_cast<int>(whole.skippedLines.size()));
            const std::vector<int> first(
                whole.skippedLines.begin(),
                whole.skippedLines.begin() +
                    std::min<size_t>(whole.skippedLines.size(), HistoryReader::ReportedLines));
            EXPECT_EQ(read.skippedLines, first);
        }
    }
}

// A file on disk: missing is empty, too large is refused with the reason, and one read back in
// blocks gives every round in order. Catches a missing file reported as an error and a size
// cap that no longer holds.
TEST(HistoryReader, readsTheFileInTheWorkingFolder) {
    TempWorkDir dir;
    int count = 0;
    const auto counter = [&](const HistoryRecord&) { ++count; };
    EXPECT_TRUE(HistoryReader::read(counter, HistoryFile::Path).error.isEmpty());
    QByteArray bytes = HistoryFile::Header + '\n';
    while (bytes.size() < 3 * HistoryReader::BlockBytes)
        bytes += line(count++) + '\n';
    const int written = count;
    dir.writeBytes("system/history.csv", bytes);
    count = 0;
    int last = -1;
    bool inOrder = true;
    const HistoryReader::Result read = HistoryReader::read(
        [&](const HistoryRecord& r) {
            inOrder = inOrder && r.score == last + 1;
            last = r.score;
            ++count;
        },
        HistoryFile::Path);
    EXPECT_TRUE(read.error.isEmpty());
    EXPECT_EQ(count, written);
    EXPECT_TRUE(inOrder);
    QFile big(QStringLiteral("system/history.csv"));
    ASSERT_TRUE(big.resize(HistoryFile::MaxBytes + 1));
    EXPECT_EQ(HistoryReader::read(counter, HistoryFile::Path).error,
              QStringLiteral("256 MiB を超えています"));
}
