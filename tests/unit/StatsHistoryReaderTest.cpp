#include "stats/HistoryFile.h"
#include "stats/HistoryReader.h"
#include "stats/ProgressModel.h"
#include "tests/support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

QByteArray dataFile(const char* name) {
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The streamed records carry no time; everything else must match the whole-file reading.
std::vector<HistoryRecord> withoutTimes(std::vector<HistoryRecord> records) {
    for (HistoryRecord& r : records)
        r.time.clear();
    return records;
}

// A streamed reading against the whole file's: the same refusal, or the same rounds (but for
// their time), torn tail, skipped lines and the first of their numbers.
void expectReadAsWhole(const HistoryReader::Result& read, const std::vector<HistoryRecord>& rounds,
                       const HistoryFile::Loaded& whole) {
    EXPECT_EQ(read.error.isEmpty(), whole.error.isEmpty());
    if (!whole.error.isEmpty())
        return;
    EXPECT_EQ(rounds, withoutTimes(whole.records));
    EXPECT_EQ(read.rounds, static_cast<int>(whole.records.size()));
    EXPECT_EQ(read.tornTail, whole.tornTail);
    EXPECT_EQ(read.skipped, static_cast<int>(whole.skippedLines.size()));
    const std::vector<int> first(
        whole.skippedLines.begin(),
        whole.skippedLines.begin() +
            std::min<size_t>(whole.skippedLines.size(), HistoryReader::ReportedLines));
    EXPECT_EQ(read.skippedLines, first);
}

// The same charts, the same keys over the last rounds and over the whole history, the same
// trend and summary.
void expectSameModel(const ProgressModel& streamed, const ProgressModel& whole) {
    EXPECT_EQ(streamed.totalRounds(), whole.totalRounds());
    ASSERT_EQ(streamed.points().size(), whole.points().size());
    for (size_t i = 0; i < whole.points().size(); ++i) {
        EXPECT_EQ(streamed.points()[i].round, whole.points()[i].round);
        EXPECT_EQ(streamed.points()[i].score, whole.points()[i].score);
    }
    EXPECT_EQ(streamed.keyRounds(), whole.keyRounds());
    EXPECT_EQ(streamed.lastInput(), whole.lastInput());
    using Input = ProgressModel::Input;
    std::vector<char32_t> kana;
    for (int i = 0; i < ProgressModel::KanaCount; ++i)
        kana.push_back(ProgressModel::kanaAt(i));
    for (const Input input : {Input::Romaji, Input::Kana}) {
        EXPECT_EQ(streamed.keyRounds(input), whole.keyRounds(input));
        std::vector<char32_t> keys = kana;
        if (input == Input::Romaji) {
            keys.clear();
            for (const auto& row : ProgressModel::rows())
                keys.insert(keys.end(), row.begin(), row.end());
        }
        for (const char32_t key : keys) {
            SCOPED_TRACE(static_cast<int>(key));
            const ProgressModel::KeyStat a = streamed.keyStat(key, input),
                                         b = whole.keyStat(key, input);
            EXPECT_EQ(std::tie(a.keys, a.misses, a.ms, a.timed),
                      std::tie(b.keys, b.misses, b.ms, b.timed));
            const ProgressModel::Tally c = streamed.wholeHistory(key, input),
                                       d = whole.wholeHistory(key, input);
            EXPECT_EQ(std::tie(c.keys, c.misses, c.ms, c.timed),
                      std::tie(d.keys, d.misses, d.ms, d.timed));
        }
        const auto streamedTrend = streamed.weakKeyTrend(input).series();
        const auto wholeTrend = whole.weakKeyTrend(input).series();
        ASSERT_EQ(streamedTrend.size(), wholeTrend.size());
        ASSERT_FALSE(wholeTrend.empty());
        for (size_t i = 0; i < wholeTrend.size(); ++i) {
            EXPECT_EQ(streamedTrend[i].key, wholeTrend[i].key);
            ASSERT_EQ(streamedTrend[i].points.size(), wholeTrend[i].points.size());
            for (size_t j = 0; j < wholeTrend[i].points.size(); ++j) {
                EXPECT_EQ(streamedTrend[i].points[j].record, wholeTrend[i].points[j].record);
                EXPECT_EQ(streamedTrend[i].points[j].missRate, wholeTrend[i].points[j].missRate);
                EXPECT_EQ(streamedTrend[i].points[j].meanMs, wholeTrend[i].points[j].meanMs);
            }
        }
    }
    EXPECT_GT(streamed.keyStat(U'a').timed, 0);
    EXPECT_GT(streamed.keyStat(U'か', Input::Kana).timed, 0);
    EXPECT_EQ(streamed.summary(), whole.summary());
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
    QList<QByteArray> files = {
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
    // The table of tricky lines as it is, with CRLF line ends, with blank lines, without the
    // last line end, torn in its last line, and the older header's file.
    const QByteArray tricky = dataFile("history-tricky.csv");
    ASSERT_FALSE(tricky.isEmpty());
    QByteArray crlf = tricky;
    crlf.replace("\n", "\r\n");
    QByteArray blanks = tricky;
    blanks.replace("\n", "\n\n\r\n");
    const QByteArray firstFormat = dataFile("history-first-format.csv");
    ASSERT_FALSE(firstFormat.isEmpty());
    files += {tricky,
              crlf,
              blanks,
              tricky.chopped(1),
              crlf.chopped(2),
              crlf.chopped(1),
              tricky.chopped(20),
              firstFormat,
              firstFormat.chopped(1)};
    for (const QByteArray& bytes : files) {
        const HistoryFile::Loaded whole = HistoryFile::parse(bytes);
        for (qsizetype block : {qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(100),
                                qsizetype(4096), HistoryReader::BlockBytes}) {
            SCOPED_TRACE(testing::Message()
                         << "block " << block << ": " << bytes.left(60).constData());
            std::vector<HistoryRecord> rounds;
            const HistoryReader::Result read = HistoryReader::readBytes(
                bytes, [&](const HistoryRecord& r) { rounds.push_back(r); }, block);
            expectReadAsWhole(read, rounds, whole);
        }
        // Read in two halves, cut anywhere: the halves' rounds follow each other as one
        // reading's, the skipped lines keep their numbers in the whole file.
        for (const qsizetype split : {bytes.size() / 5, bytes.size() / 2, bytes.size() - 2}) {
            SCOPED_TRACE(testing::Message() << "split " << split << ": " << bytes.left(60).data());
            std::vector<HistoryRecord> rounds, later;
            const HistoryReader::Result read = HistoryReader::readBytesInTwo(
                bytes, [&](const HistoryRecord& r) { rounds.push_back(r); },
                [&](const HistoryRecord& r) { later.push_back(r); }, split, 7);
            rounds.insert(rounds.end(), later.begin(), later.end());
            expectReadAsWhole(read, rounds, whole);
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

// Line by line over the table of tricky lines, under both headers' field counts, the streamed
// parser takes exactly the lines the file's own parser takes, with the same record but for the
// time. The table holds the cases the fast paths cut corners on: quoted fields with doubled
// quotes and commas, U+ forms (lower case, five or six digits, leading zeros, the same
// character twice, out of range), numbers at and past their limits, figures with more digits
// than a division rounds exactly, stray blanks between pairs and the wrong number of fields.
TEST(HistoryReader, takesAndRefusesTheLinesTheFileParserDoes) {
    const QByteArray tricky = dataFile("history-tricky.csv");
    QList<QByteArray> lines = tricky.split('\n');
    lines.removeFirst(); // the header
    lines.removeLast();  // after the last line end
    lines += dataFile("history-first-format.csv").split('\n');
    int taken = 0, refused = 0;
    for (const QByteArray& text : lines) {
        for (const int fields : {HistoryFile::FieldCount, HistoryFile::FirstFieldCount}) {
            SCOPED_TRACE(testing::Message() << fields << " fields: " << text.constData());
            HistoryRecord expected, got;
            // Left over from an earlier round: the parser must fill every field anew.
            got.missesByKey = {{U'q', 9}};
            got.timesByKey = {{U'q', 9, 9}};
            got.kind = HistoryRecord::Kind::Drill;
            const bool expectedTaken =
                HistoryFile::parseLine(text.cbegin(), text.cend(), expected, fields);
            ASSERT_EQ(HistoryReader::parseLine(text.cbegin(), text.cend(), got, fields),
                      expectedTaken);
            if (!expectedTaken) {
                ++refused;
                continue;
            }
            ++taken;
            expected.time.clear();
            EXPECT_EQ(got, expected);
        }
    }
    // Both verdicts are well represented, so the table keeps testing both ways.
    EXPECT_EQ(taken, 24);
    EXPECT_EQ(refused, 2 * lines.size() - 24);
}

// The window's model read as a stream equals the model of every record read whole: the same
// charts, the same keys and kana over the last rounds and over the whole history, the same
// trends. A long history of romaji and kana rounds and drill sessions with changing keys
// catches recent sums that keep a round too many or too few or take the other input's, and
// records handed on whose lists still hold an older round's.
TEST(HistoryReader, theStreamedModelIsTheModelOfEveryRecord) {
    TempWorkDir dir;
    QByteArray bytes = HistoryFile::Header + '\n';
    const std::u32string keys = U"asdfjkl;!、";
    const std::u32string kana = U"かなしー、んゃぱaつ";
    // Long enough to be read in two halves at once: the same 260 rounds over and over, so that
    // the last 50 of each input hold weak keys well clear of the threshold.
    for (int n = 0; bytes.size() < HistoryReader::SplitBytes + 1000 || n % 260 != 0; ++n) {
        const int i = n % 260;
        HistoryRecord r;
        r.time = QStringLiteral("2026-12-07T20:15:00+09:00");
        r.score = i * 7;
        r.keys = 100;
        r.misses = i % 9;
        r.speed = i / 10.0;
        r.accuracy = 90 + i % 10;
        r.kind = i % 5 == 0 ? HistoryRecord::Kind::Drill : HistoryRecord::Kind::Round;
        // Kana rounds in runs, so that each input's last 50 reach back past the other's.
        r.input = i % 70 < 30 ? GameOptions::Input::Kana : GameOptions::Input::Romaji;
        for (int k = 0; k <= i % 10; ++k) { // some rounds with few keys, some with many
            const std::u32string& set = r.input == GameOptions::Input::Kana ? kana : keys;
            const char32_t key = set[static_cast<size_t>((i + k) % 10)];
            r.keysByKey.emplace_back(key, 10 + k);
            if ((i + k) % 3 == 0)
                r.missesByKey.emplace_back(key, 1 + k % 4);
            if (i % 4 != 0) // untimed rounds among timed ones
                r.timesByKey.push_back({key, 200 + 10 * k + i, 3 + k});
        }
        bytes += HistoryFile::formatLine(r) + '\n';
    }
    dir.writeBytes("system/history.csv", bytes);
    const std::vector<HistoryRecord> records = HistoryFile::load(HistoryFile::Path).records;
    const ProgressModel whole(records);
    expectSameModel(ProgressModel::load(HistoryFile::Path).model, whole);
    // Halves cut anywhere make the same model, however few rounds either half holds.
    for (const qsizetype split : {qsizetype(300), bytes.size() / 3, bytes.size() - 3000}) {
        SCOPED_TRACE(split);
        ProgressModel first, second;
        HistoryReader::readBytesInTwo(
            bytes, [&](HistoryRecord& r) { first.add(std::move(r)); },
            [&](HistoryRecord& r) { second.add(std::move(r)); }, split);
        EXPECT_GT(second.totalRounds(), 0);
        first.append(std::move(second));
        expectSameModel(first, whole);
    }
    // Looked at between rounds, as a window open while rounds come in would be.
    ProgressModel stepwise;
    for (const HistoryRecord& r : records) {
        stepwise.add(r);
        EXPECT_GE(stepwise.keyStat(U'a').keys, 0);
    }
    expectSameModel(stepwise, whole);
}
