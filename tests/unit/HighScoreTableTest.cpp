#include "scores/HighScoreTable.h"
#include "core/FileError.h"
#include "tests/support/TempWorkDir.h"

#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {
QStringList lines(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

const QStringList Names = lines({"A", "B", "C", "D", "E"});
} // namespace

// The score goes in at the first place it equals or beats, the rest move down with their
// exact text and the fifth drops out: catches off-by-one shifts, ties placed below the old
// entry, re-formatted entries and string (not numeric) comparison.
TEST(HighScoreTable, tensaveInsertsAtItsPlaceAndMovedEntriesKeepTheirText) {
    auto table = HighScoreTable::fromLines(lines({"900", "800", "700", "600", "500"}), Names);
    EXPECT_EQ(table.tensave(700), 3);
    EXPECT_EQ(table.scoreFileText(), "900\r\n800\r\n700\r\n700\r\n600\r\n");

    table = HighScoreTable::fromLines(lines({"900", "800", "700", "600", "500"}), Names);
    EXPECT_EQ(table.tensave(500), 5);
    EXPECT_EQ(table.scoreFileText(), "900\r\n800\r\n700\r\n600\r\n500\r\n");

    table = HighScoreTable::fromLines(lines({"90000", "80000", "70000", "60000", "50000"}), Names);
    EXPECT_EQ(table.tensave(95000), 1);
    EXPECT_EQ(table.scoreFileText(), "95000\r\n90000\r\n80000\r\n70000\r\n60000\r\n");
    // A second score on the same table is placed against the moved entries, not the old ones.
    EXPECT_EQ(table.tensave(75000), 4);
    EXPECT_EQ(table.scoreFileText(), "95000\r\n90000\r\n80000\r\n75000\r\n70000\r\n");

    // "9" against "10": a text comparison would put 9 above.
    table = HighScoreTable::fromLines(lines({"100", " 80", "10", "-20", "-40"}), Names);
    EXPECT_EQ(table.tensave(9), 4);
    EXPECT_EQ(table.scoreFileText(), "100\r\n 80\r\n10\r\n9\r\n-20\r\n");
    EXPECT_EQ(table.tensave(90), 2); // " 80" moves down with its space
    EXPECT_EQ(table.scoreFileText(), "100\r\n90\r\n 80\r\n10\r\n9\r\n");

    // Negative scores compare numerically; below the fifth there is no place and nothing moves.
    table = HighScoreTable::fromLines(lines({"-10", "-20", "-30", "-40", "-50"}), Names);
    EXPECT_EQ(table.tensave(-60), 0);
    EXPECT_EQ(table.scoreFileText(), "-10\r\n-20\r\n-30\r\n-40\r\n-50\r\n");
    EXPECT_EQ(table.tensave(-20), 2);
    EXPECT_EQ(table.scoreFileText(), "-10\r\n-20\r\n-20\r\n-30\r\n-40\r\n");
}

// Names move exactly like scores: catches a name landing one place off its score, or the
// typed text being trimmed or replaced when empty.
TEST(HighScoreTable, namesGoToThePlaceAndEmptyOrSpacedNamesAreStoredAsTyped) {
    auto table = HighScoreTable::fromLines(lines({"5", "4", "3", "2", "1"}), Names);
    table.insertName(1, QStringLiteral("カザミナの人"));
    EXPECT_EQ(table.nameFileText(), "カザミナの人\r\nA\r\nB\r\nC\r\nD\r\n");

    table = HighScoreTable::fromLines(lines({"5", "4", "3", "2", "1"}), Names);
    table.insertName(5, QStringLiteral(" 山田：太郎 "));
    EXPECT_EQ(table.nameFileText(), "A\r\nB\r\nC\r\nD\r\n 山田：太郎 \r\n");

    table = HighScoreTable::fromLines(lines({"5", "4", "3", "2", "1"}), Names);
    table.insertName(3, QString());
    EXPECT_EQ(table.nameFileText(), "A\r\nB\r\n\r\nC\r\nD\r\n");
}

// A damaged table with fewer than five lines, or an empty line, has vacant places: any score
// takes them, and what is written reads back as the same table. Catches a short file stopping
// the game, losing entries, or a vacancy written as something that later reads differently.
TEST(HighScoreTable, vacantPlacesAreTakenByAnyScoreAndReadBackTheSame) {
    auto table = HighScoreTable::fromLines(lines({"900", "800", "700"}), lines({"A", "B"}));
    EXPECT_EQ(table.tensave(-5), 4);
    table.insertName(4, QStringLiteral("N"));
    EXPECT_EQ(table.scoreFileText(), "900\r\n800\r\n700\r\n-5\r\n\r\n");
    EXPECT_EQ(table.nameFileText(), "A\r\nB\r\n\r\nN\r\n\r\n");

    // Read back the written files, final CR LF and all: place 5 is still vacant.
    const auto again = HighScoreTable::fromLines(lines({"900", "800", "700", "-5", "", ""}),
                                                 lines({"A", "B", "", "N", "", ""}));
    EXPECT_EQ(again.scoreFileText(), table.scoreFileText());
    EXPECT_EQ(again.nameFileText(), table.nameFileText());
    auto reread = again;
    EXPECT_EQ(reread.tensave(-1000000), 5);

    // A vacancy in the middle is taken before the entries below it.
    table = HighScoreTable::fromLines(lines({"900", "", "700", "600", "500"}), Names);
    EXPECT_EQ(table.tensave(100), 2);
    EXPECT_EQ(table.scoreFileText(), "900\r\n100\r\n\r\n700\r\n600\r\n");
}

// A score line that is not a number names the file and the line; lines past the fifth are
// never looked at. Catches garbage silently read as 0 and errors on the trailing line.
TEST(HighScoreTable, aScoreThatIsNotANumberNamesFileAndLine) {
    try {
        HighScoreTable::fromLines(lines({"900", "800", "七百", "600", "500"}), Names);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("system\\Hiscore.aty")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("3行目")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("七百")));
    }
    EXPECT_THROW(HighScoreTable::fromLines(lines({"1", "2", "3", "4", "inf"}), Names), FileError);
    EXPECT_NO_THROW(
        HighScoreTable::fromLines(lines({" 9 ", "8", "7", "6", "5", "", "junk"}), Names));
}

// Registration on disk: both files come out byte for byte in the table layout, in UTF-8.
TEST(HighScoreTable, registrationRewritesBothFilesInTheirLayout) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", "500\r\n400\r\n300\r\n200\r\n100\r\n\r\n");
    // A name file left by the Windows version is Shift-JIS; its names come out as UTF-8.
    QStringEncoder sjis("CP932");
    dir.writeBytes("system/Hiscorep.aty",
                   QByteArray(sjis.encode(QStringLiteral("一番\r\nB\r\nC\r\nD\r\nE\r\n\r\n"))));
    EXPECT_EQ(HighScoreTable::registerEntry(300, QStringLiteral("山田")), 3);
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), "500\r\n400\r\n300\r\n300\r\n200\r\n\r\n");
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"),
              QStringLiteral("一番\r\nB\r\n山田\r\nC\r\nD\r\n\r\n").toUtf8());
}

// Anything wrong before the replacement leaves both files as they were: a missing name file,
// a damaged score line, a score with no place.
TEST(HighScoreTable, aFailedRegistrationChangesNeitherFile) {
    TempWorkDir dir;
    const QByteArray scores = "500\r\n400\r\nabc\r\n200\r\n100\r\n\r\n";
    const QByteArray names = "A\r\nB\r\nC\r\nD\r\nE\r\n\r\n";
    dir.writeBytes("system/Hiscore.aty", scores);
    dir.writeBytes("system/Hiscorep.aty", names);
    EXPECT_THROW(HighScoreTable::registerEntry(450, QStringLiteral("N")), FileError);
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), scores);
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), names);

    dir.writeBytes("system/Hiscore.aty", "500\r\n400\r\n300\r\n200\r\n100\r\n\r\n");
    EXPECT_EQ(HighScoreTable::registerEntry(99, QStringLiteral("N")), 0);
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), names);

    QFile::remove(dir.path("system/Hiscorep.aty"));
    EXPECT_THROW(HighScoreTable::registerEntry(450, QStringLiteral("N")), FileError);
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), "500\r\n400\r\n300\r\n200\r\n100\r\n\r\n");
}

// The name file is written first: a failure writing the score file right after it (here the
// file-size limit, which stops root as well as anyone) must not leave a name without its score.
TEST(HighScoreTable, aScoreFileThatCannotBeWrittenLeavesTheNameFileUntouched) {
    TempWorkDir dir;
    const QByteArray scores = "2000000000\r\n1900000000\r\n1800000000\r\n1700000000\r\n"
                              "1600000000\r\n\r\n";
    const QByteArray names = "A\r\nB\r\nC\r\nD\r\nE\r\n\r\n";
    dir.writeBytes("system/Hiscore.aty", scores);
    dir.writeBytes("system/Hiscorep.aty", names);

    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 40; // the new name file fits, the new score file does not
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        HighScoreTable::registerEntry(1950000000, QStringLiteral("N"));
    } catch (const FileError&) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), names);
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), scores);
}

// A name file that is neither clean UTF-8 nor clean Shift-JIS is never rewritten: a line of each
// (the UTF-8 one also reads as Shift-JIS without an error), or a byte Shift-JIS cannot map.
// The registration stops with a message saying why and both files stay byte for byte; a clean
// Shift-JIS file still registers (registrationRewritesBothFilesInTheirLayout). Catches a mixed
// file decoded as Shift-JIS throughout and written back as mojibake for good.
TEST(HighScoreTable, aNameFileOfMixedEncodingsIsLeftUntouched) {
    QStringEncoder sjis("CP932");
    const QByteArray scores = "500\r\n400\r\n300\r\n200\r\n100\r\n\r\n";
    const QByteArray rest = "C\r\nD\r\nE\r\n\r\n";
    const QByteArray mixed[] = {
        QByteArray(sjis.encode(QStringLiteral("一番\r\n"))) + QStringLiteral("二番\r\n").toUtf8() +
            rest,
        QStringLiteral("一番\r\n").toUtf8() + QByteArray(sjis.encode(QStringLiteral("二番\r\n"))) +
            rest,
        QByteArray("A\x81\x20\r\nB\r\n") + rest,
    };
    for (const QByteArray& names : mixed) {
        TempWorkDir dir;
        dir.writeBytes("system/Hiscore.aty", scores);
        dir.writeBytes("system/Hiscorep.aty", names);
        try {
            HighScoreTable::registerEntry(450, QStringLiteral("山田"));
            ADD_FAILURE() << "a mixed name file was rewritten";
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("UTF-8 とも Shift-JIS とも")))
                << qPrintable(e.message());
            EXPECT_TRUE(e.message().contains(QStringLiteral("Hiscorep.aty")));
        }
        EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), scores);
        EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), names);
    }
}
