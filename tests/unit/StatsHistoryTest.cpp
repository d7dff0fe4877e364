#include "stats/HistoryFile.h"
#include "tests/support/TempWorkDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <thread>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

HistoryRecord round(int32_t score, RoundFigures::KeyCounts misses = {}) {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:15:00+09:00");
    r.score = score;
    r.level = 3;
    r.maxCombo = 41;
    r.keys = 250;
    r.misses = 12;
    r.seconds = 61.25;
    r.speed = 3.89;
    r.accuracy = 95.2;
    r.missesByKey = std::move(misses);
    r.keysByKey = {{U'a', 100}, {U't', 150}};
    return r;
}

QByteArray header() {
    return HistoryFile::Header + '\n';
}

} // namespace

// Every character the romaji can hold survives the file, even those that mean something to
// CSV or to the pairs themselves (comma, quote, blank, colon, a 'U'), and characters outside
// ASCII; a record read back equals the one written. Catches a field split at a comma inside the
// pairs, a blank taken for a separator and an escape read as a letter.
TEST(HistoryFile, aRecordWithAwkwardCharactersReadsBackEqual) {
    HistoryRecord r = round(-40, {{U',', 2},
                                  {U'"', 1},
                                  {U' ', 3},
                                  {U':', 1},
                                  {U'U', 4},
                                  {U'+', 1},
                                  {U'é', 2},
                                  {char32_t{0x1F600}, 1},
                                  {0x1B, 1}});
    r.bothSpellings = true;
    const QByteArray line = HistoryFile::formatLine(r);
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_FALSE(line.contains('\r'));
    HistoryRecord back;
    ASSERT_TRUE(HistoryFile::parseLine(line.cbegin(), line.cend(), back)) << line.constData();
    EXPECT_EQ(back, r);

    // The pairs as a player sees them in the file.
    EXPECT_EQ(HistoryFile::formatKeyCounts({{U't', 3}, {U's', 12}}), "t:3 s:12");
    RoundFigures::KeyCounts counts;
    for (const char* bad :
         {"t:0", "t:", "t3", "t:3 ", "t:3  s:1", "U+12:1", "t:3 t:1", "U+0000:1"}) {
        const std::string s = bad;
        EXPECT_FALSE(HistoryFile::parseKeyCounts(s.data(), s.data() + s.size(), counts)) << bad;
    }
    const std::string blank = "t:3  :2";
    ASSERT_TRUE(HistoryFile::parseKeyCounts(blank.data(), blank.data() + blank.size(), counts));
    EXPECT_EQ(counts, (RoundFigures::KeyCounts{{U't', 3}, {U' ', 2}}));
}

// Appends add one line each after a header written once, and a missing file is simply an empty
// history. Catches a header per append, a file rewritten instead of added to, and rounds
// coming back in a different order.
TEST(HistoryFile, appendsKeepEveryRoundInOrderUnderOneHeader) {
    TempWorkDir dir;
    EXPECT_TRUE(HistoryFile::load().records.empty());
    EXPECT_TRUE(HistoryFile::load().error.isEmpty());
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(HistoryFile::append(round(i * 100, {{U't', i}})), QString());
    const QByteArray bytes = dir.readBytes("system/history.csv");
    EXPECT_TRUE(bytes.startsWith(header()));
    EXPECT_EQ(bytes.count(HistoryFile::Header), 1);
    EXPECT_EQ(bytes.count('\n'), 4);
    const HistoryFile::Loaded loaded = HistoryFile::load();
    ASSERT_EQ(loaded.records.size(), 3u);
    EXPECT_EQ(loaded.records[2], round(300, {{U't', 3}}));
    EXPECT_FALSE(loaded.tornTail);
    EXPECT_TRUE(loaded.skippedLines.empty());
}

// A power cut mid-append leaves a last line without its end: reading passes over it when it does
// not read as a round, the next append cuts exactly that and nothing before it, and a header torn
// on the very first write is started afresh. Catches earlier rounds lost to the repair and the
// new round glued onto the torn one.
TEST(HistoryFile, aTornLastLineIsIgnoredAndCutAwayByTheNextAppend) {
    TempWorkDir dir;
    const QByteArray first = HistoryFile::formatLine(round(100)) + '\n';
    const QByteArray torn = HistoryFile::formatLine(round(200)).left(60);
    dir.writeBytes("system/history.csv", header() + first + torn);
    HistoryFile::Loaded loaded = HistoryFile::load();
    ASSERT_EQ(loaded.records.size(), 1u);
    EXPECT_TRUE(loaded.tornTail);
    // Counted among the skipped lines, so the progress window says that one was passed over.
    EXPECT_EQ(loaded.skippedLines, std::vector<int>{3});

    ASSERT_EQ(HistoryFile::append(round(400)), QString());
    EXPECT_EQ(dir.readBytes("system/history.csv"),
              header() + first + HistoryFile::formatLine(round(400)) + '\n');

    dir.writeBytes("system/history.csv", HistoryFile::Header.left(20));
    EXPECT_TRUE(HistoryFile::load().records.empty());
    ASSERT_EQ(HistoryFile::append(round(500)), QString());
    EXPECT_EQ(dir.readBytes("system/history.csv"),
              header() + HistoryFile::formatLine(round(500)) + '\n');
}

// A file that is not ours is never added to or cut, a line edited by hand is skipped on reading
// and reported by its number but kept, and an unwritable history gives a reason instead of
// throwing. Catches appends that truncate a stranger's file and a bad line that hides the
// rounds after it.
TEST(HistoryFile, foreignFilesEditedLinesAndUnwritablePlacesLoseNothing) {
    TempWorkDir dir;
    const QByteArray foreign = "name,score\nTaro,5000\npartial";
    dir.writeBytes("system/history.csv", foreign);
    EXPECT_FALSE(HistoryFile::append(round(1)).isEmpty());
    EXPECT_EQ(dir.readBytes("system/history.csv"), foreign);
    EXPECT_FALSE(HistoryFile::load().error.isEmpty());

    const QByteArray edited = header() + HistoryFile::formatLine(round(1)) + "\n" +
                              "2026-12-07T20:20:00+09:00,lots,3\r\n\n" +
                              HistoryFile::formatLine(round(2)) + "\r\n";
    dir.writeBytes("system/history.csv", edited);
    HistoryFile::Loaded loaded = HistoryFile::load();
    ASSERT_EQ(loaded.records.size(), 2u);
    EXPECT_EQ(loaded.records[1].score, 2);
    EXPECT_EQ(loaded.skippedLines, std::vector<int>{3});
    ASSERT_EQ(HistoryFile::append(round(3)), QString());
    EXPECT_TRUE(dir.readBytes("system/history.csv").startsWith(edited));

    QFile::remove(dir.path("system/history.csv"));
    QDir(dir.path("system")).mkdir(QStringLiteral("history.csv"));
    EXPECT_FALSE(HistoryFile::append(round(4)).isEmpty());
    EXPECT_FALSE(HistoryFile::append(round(4), QStringLiteral("nowhere\\history.csv")).isEmpty());
}

// Another game replaces the history (as its upgrade does) while this one, the file already open,
// waits for the lock: the round goes into the file that now has the name, not into the old one
// that no longer has any. Catches a check that sees a replaced file only when both its inode and
// its device changed.
TEST(HistoryFile, anAppendThatWaitedWhileTheFileWasReplacedWritesToTheNewFile) {
    TempWorkDir dir;
    ASSERT_EQ(HistoryFile::append(round(1)), QString());
    const QString path = QFileInfo(dir.path("system/history.csv")).canonicalFilePath();
    const auto opened = [&path] {
        int count = 0;
        for (const QString& fd :
             QDir(QStringLiteral("/proc/self/fd"))
                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            count += QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd) == path;
        return count;
    };
    const int held = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    QString reason = QStringLiteral("not run");
    std::thread appender([&reason] { reason = HistoryFile::append(round(3)); });
    for (int i = 0; i < 500 && opened() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool waited = opened() == 2;
    dir.writeBytes("system/history.new", header() + HistoryFile::formatLine(round(2)) + '\n');
    const bool replaced = ::rename(QFile::encodeName(dir.path("system/history.new")).constData(),
                                   QFile::encodeName(path).constData()) == 0;
    ::flock(held, LOCK_UN);
    ::close(held);
    appender.join();
    ASSERT_TRUE(waited && replaced);
    EXPECT_EQ(reason, QString());
    const HistoryFile::Loaded loaded = HistoryFile::load();
    ASSERT_EQ(loaded.records.size(), 2u);
    EXPECT_EQ(loaded.records[0].score, 2);
    EXPECT_EQ(loaded.records[1].score, 3);
}

// A game killed at any moment of an append keeps every round appended before: a child process
// appends numbered rounds until it is killed at a random moment, and what is left reads back as
// exactly the rounds 1..k with nothing out of place, ready for the next append. Catches an
// append that rewrites or truncates the file, which a kill in the wrong instant empties.
TEST(HistoryFile, aKillDuringAppendsNeverLosesAnEarlierRound) {
    TempWorkDir dir;
    std::srand(14);
    int before = 0;
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = before + 1;; ++i)
                HistoryFile::append(round(i, {{U't', 1 + i % 7}}));
        }
        ::usleep(static_cast<useconds_t>(200 + std::rand() % 3000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const HistoryFile::Loaded loaded = HistoryFile::load();
        ASSERT_TRUE(loaded.error.isEmpty());
        // A kill inside the write leaves a torn last line, counted as skipped; no other line is.
        const bool onlyTheTornTail =
            loaded.tornTail &&
            loaded.skippedLines == std::vector<int>{static_cast<int>(loaded.records.size()) + 2};
        ASSERT_TRUE(loaded.skippedLines.empty() || onlyTheTornTail) << "kill " << kill;
        ASSERT_GE(static_cast<int>(loaded.records.size()), before) << "kill " << kill;
        for (size_t i = 0; i < loaded.records.size(); ++i)
            ASSERT_EQ(loaded.records[i],
                      round(static_cast<int32_t>(i) + 1, {{U't', 1 + int(i + 1) % 7}}));
        before = static_cast<int>(loaded.records.size());
    }
    EXPECT_GT(before, 40);
}

// A last line without its line end that reads as a whole round (an editor that adds none) is a
// round: it is read, and the next append writes its line end before the new round, with CR LF
// or LF as the line began. Catches that round cut away as torn and the new round glued to it.
TEST(HistoryFile, aWholeLastRoundWithoutItsLineEndIsKeptByTheNextAppend) {
    TempWorkDir dir;
    const QByteArray first = HistoryFile::formatLine(round(100)) + "\r\n";
    const QByteArray last = HistoryFile::formatLine(round(200));
    for (const QByteArray& end : {QByteArray(), QByteArray("\r")}) {
        dir.writeBytes("system/history.csv", header() + first + last + end);
        const HistoryFile::Loaded loaded = HistoryFile::load();
        ASSERT_EQ(loaded.records.size(), 2u);
        EXPECT_EQ(loaded.records[1], round(200));
        EXPECT_FALSE(loaded.tornTail);
        EXPECT_TRUE(loaded.skippedLines.empty());
        ASSERT_EQ(HistoryFile::append(round(300)), QString());
        EXPECT_EQ(dir.readBytes("system/history.csv"), header() + first + last + end + '\n' +
                                                           HistoryFile::formatLine(round(300)) +
                                                           '\n');
        EXPECT_EQ(HistoryFile::load().records.size(), 3u);
    }
}

// Every character the game can record as an expected or a typed key, alone in its field and
// beside others, goes through append and load and comes back equal: all of printable ASCII (the
// comma and the quote among them), the signs 、。ー and the characters kept as U+XXXX. Catches
// a field that needs quoting written bare (a lone "," splits the line and the round vanishes at
// the next reading) and an escape that reads back as another character.
TEST(HistoryFile, everyRecordableKeyRoundTripsThroughTheFile) {
    TempWorkDir dir;
    std::vector<char32_t> keys;
    for (char32_t c = 0x20; c <= 0x7E; ++c)
        keys.push_back(c);
    for (const char32_t c : {U'、', U'。', U'ー', U'\x1B', U'\x7F', U'é', char32_t{0x1F600},
                             char32_t{0x10FFFF}, U'\x01'})
        keys.push_back(c);
    std::vector<HistoryRecord> written;
    for (const char32_t key : keys) {
        HistoryRecord alone = round(static_cast<int32_t>(key), {{key, 1}});
        alone.keysByKey = {{key, 2}};
        written.push_back(alone);
    }
    HistoryRecord all = round(-1);
    all.keysByKey.clear();
    for (const char32_t key : keys)
        all.keysByKey.emplace_back(key, 3);
    written.push_back(all);
    for (const HistoryRecord& r : written)
        ASSERT_EQ(HistoryFile::append(r), QString());
    const HistoryFile::Loaded loaded = HistoryFile::load();
    EXPECT_TRUE(loaded.skippedLines.empty());
    ASSERT_EQ(loaded.records.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i)
        EXPECT_EQ(loaded.records[i], written[i])
            << "key U+" << std::hex << uint32_t(keys[std::min(i, keys.size() - 1)]);
}

namespace {
QByteArray firstFormatSample() {
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/history-first-format.csv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}
} // namespace

// A history written before the mode, input, kind and time columns reads as rounds of exact or
// both judging in romaji, untimed; the first append rewrites it under the new header with every
// old line kept (a hand-edited one verbatim, still skipped) and the new round last, and a second
// append just adds a line. Catches old files refused or misread, a line lost or changed by the
// upgrade, and the upgrade run again on a file already upgraded.
TEST(HistoryFile, aHistoryOfTheFirstFormatIsReadThenUpgradedLosingNothing) {
    TempWorkDir dir;
    const QByteArray sample = firstFormatSample();
    ASSERT_TRUE(sample.startsWith(HistoryFile::FirstHeader + '\n'));
    dir.writeBytes("system/history.csv", sample);
    const HistoryFile::Loaded before = HistoryFile::load();
    ASSERT_TRUE(before.error.isEmpty()) << before.error.toStdString();
    ASSERT_EQ(before.records.size(), 3u);
    EXPECT_EQ(before.skippedLines, std::vector<int>{4});
    EXPECT_EQ(before.records[1].judging, GameOptions::Judging::Both);
    EXPECT_EQ(before.records[0].judging, GameOptions::Judging::Exact);
    EXPECT_EQ(before.records[1].missesByKey,
              (RoundFigures::KeyCounts{{U'a', 4}, {U',', 6}, {U'"', 2}, {U'、', 2}}));
    for (const HistoryRecord& r : before.records) {
        EXPECT_EQ(r.kind, HistoryRecord::Kind::Round);
        EXPECT_EQ(r.input, GameOptions::Input::Romaji);
        EXPECT_TRUE(r.timesByKey.empty());
    }

    HistoryRecord drill = round(0, {{U'q', 3}});
    drill.kind = HistoryRecord::Kind::Drill;
    drill.judging = GameOptions::Judging::Ime;
    drill.input = GameOptions::Input::Kana;
    drill.timesByKey = {{U'q', 912, 3}, {U',', 0, 1}, {U'ん', 4100, 12}};
    ASSERT_EQ(HistoryFile::append(drill), QString());
    const QByteArray upgraded = dir.readBytes("system/history.csv");
    EXPECT_TRUE(upgraded.startsWith(HistoryFile::Header + '\n'));
    EXPECT_TRUE(upgraded.contains("\n2026-12-03T22:15:40+09:00,lots,3\n"));
    EXPECT_TRUE(upgraded.contains(",\"a:14 ,:12 \"\":4 U+3001:10\",both,romaji,round,\n"));
    EXPECT_TRUE(upgraded.endsWith(HistoryFile::formatLine(drill) + '\n'));
    const HistoryFile::Loaded after = HistoryFile::load();
    ASSERT_EQ(after.records.size(), 4u);
    EXPECT_EQ(after.skippedLines, std::vector<int>{4});
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(after.records[i], before.records[i]) << i;
    EXPECT_EQ(after.records[3], drill);

    ASSERT_EQ(HistoryFile::append(round(7)), QString());
    EXPECT_EQ(dir.readBytes("system/history.csv"),
              upgraded + HistoryFile::formatLine(round(7)) + '\n');

    // The same history saved without its last line end: the rewrite keeps that last round too.
    ASSERT_TRUE(sample.endsWith('\n'));
    dir.writeBytes("system/history.csv", sample.chopped(1));
    ASSERT_EQ(HistoryFile::load().records.size(), 3u);
    ASSERT_EQ(HistoryFile::append(drill), QString());
    EXPECT_EQ(dir.readBytes("system/history.csv"), upgraded);
    // No temporary file of the rewrite is left beside it.
    EXPECT_EQ(QDir(dir.path("system")).entryList({"history.csv*"}, QDir::Files),
              QStringList{"history.csv"});
}

// The times read back as written and damaged ones make the line skipped, never misread: a
// count of 0, a negative or missing total, a repeated key, an unknown mode, input or kind.
TEST(HistoryFile, damagedTimesOrModesSkipTheLine) {
    RoundFigures::KeyTimes times;
    const std::string good = "a:1234/10 U+3093:5/1";
    ASSERT_TRUE(HistoryFile::parseKeyTimes(good.data(), good.data() + good.size(), times));
    EXPECT_EQ(times, (RoundFigures::KeyTimes{{U'a', 1234, 10}, {U'ん', 5, 1}}));
    EXPECT_EQ(HistoryFile::formatKeyTimes(times), QByteArray::fromStdString(good));
    for (const char* bad :
         {"a:5/0", "a:-5/1", "a:/1", "a:5", "a:5/", "a:5/1 a:6/1", "a:5/1 ", "a5/1", "a:5//1"}) {
        const std::string s = bad;
        EXPECT_FALSE(HistoryFile::parseKeyTimes(s.data(), s.data() + s.size(), times)) << bad;
    }
    const QByteArray line = HistoryFile::formatLine(round(1));
    HistoryRecord r;
    ASSERT_TRUE(HistoryFile::parseLine(line.cbegin(), line.cend(), r));
    for (const auto& [from, to] : std::vector<std::pair<QByteArray, QByteArray>>{
             {",exact,", ",fuzzy,"}, {",romaji,", ",qwerty,"}, {",round,", ",game,"}}) {
        QByteArray damaged = line;
        damaged.replace(from, to);
        EXPECT_FALSE(HistoryFile::parseLine(damaged.cbegin(), damaged.cend(), r)) << to.data();
    }
    // A line of the first format under the new header is one field short.
    const QByteArray shortLine = line.left(line.indexOf(",exact,"));
    EXPECT_FALSE(HistoryFile::parseLine(shortLine.cbegin(), shortLine.cend(), r));
}

// The last rounds for the practice draw are read from the end of the file: whatever the history's
// length against the part read, they are the last records of the whole read, in order, the
// first round of a short history included. Catches a first line glued to the header, a tail
// that begins inside a line, and a count off by one.
TEST(HistoryFile, theRecentRoundsAreTheLastOfTheWholeHistory) {
    TempWorkDir dir;
    for (const int total : {0, 1, 3, 700}) {
        QByteArray bytes = header();
        for (int i = 1; i <= total; ++i)
            bytes += HistoryFile::formatLine(round(i, {{U'q', i % 7 + 1}})) + '\n';
        dir.writeBytes("system/history.csv", bytes);
        const std::vector<HistoryRecord> all = HistoryFile::load().records;
        ASSERT_EQ(all.size(), static_cast<size_t>(total));
        for (const int count : {0, 1, 2, 3, 50, 1000}) {
            const size_t kept = std::min<size_t>(all.size(), static_cast<size_t>(count));
            EXPECT_EQ(HistoryFile::loadRecent(count),
                      std::vector<HistoryRecord>(all.end() - static_cast<std::ptrdiff_t>(kept),
                                                 all.end()))
                << total << " rounds, last " << count;
        }
    }
}
