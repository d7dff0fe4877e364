#include "core/FileError.h"
#include "core/TextFile.h"
#include "round/SaturatingScore.h"
#include "scores/HighScoreTable.h"
#include "scores/RankCheck.h"
#include "tests/support/TempWorkDir.h"

#include <QLocale>

#include <gtest/gtest.h>
#include <limits>

namespace {

QString errorOf(const QString& gamePath) {
    try {
        TextFile::readLines(gamePath);
    } catch (const FileError& e) {
        return e.message();
    }
    return {};
}

// Sets the player's locale for one test.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

} // namespace

// One huge line froze a screen for minutes: a file over 1 MiB and a line over 4,096 characters
// are errors naming the file and the line; the limits themselves still read.
TEST(FileLimits, hugeFilesAndLongLinesAreErrorsNamingFileAndLine) {
    TempWorkDir dir;
    dir.writeBytes("system/big.aty", QByteArray(20 * 1024 * 1024, '7'));
    EXPECT_EQ(
        errorOf("system\\big.aty"),
        QStringLiteral("ファイル「system\\big.aty」の1行目が長すぎます（ファイルは1 MiBまで）。"));

    // Short lines, but too many of them: the message names the line that crosses the limit.
    const QByteArray line = QByteArray(1023, 'a') + "\r";
    dir.writeBytes("system/many.aty", line.repeated(1024) + "\r");
    EXPECT_TRUE(errorOf("system\\many.aty").contains(QStringLiteral("の1025行目が長すぎます")));
    dir.writeBytes("system/many.aty", line.repeated(1024));
    EXPECT_EQ(TextFile::readLines("system\\many.aty").size(), 1024);

    const QByteArray limit(4096, 'x');
    dir.writeBytes("system/long.aty", "1\r\n" + limit + "\r\n" + limit + "y\r\n");
    EXPECT_EQ(
        errorOf("system\\long.aty"),
        QStringLiteral("ファイル「system\\long.aty」の3行目が長すぎます（1行は4096文字まで）。"));
    // 4,096 characters outside the BMP are 8,192 UTF-16 units, and still one line within limit.
    const QString wide = QString::fromUcs4(U"😀").repeated(4096);
    dir.writeBytes("system/long.aty", limit + "\r" + wide.toUtf8() + "\r");
    EXPECT_EQ(TextFile::readLines("system\\long.aty"), QStringList({QString(limit), wide}));
    dir.writeBytes("system/long.aty", (wide + QStringLiteral("z")).toUtf8());
    EXPECT_TRUE(errorOf("system\\long.aty").contains(QStringLiteral("1行目が長すぎます")));
}

// No message quotes more than 80 characters of a bad line, and a character outside the BMP is
// never cut in half.
TEST(FileLimits, aBadScoreLineIsQuotedShortened) {
    const QString digits = QString(200, QLatin1Char('9')) + QStringLiteral("x");
    try {
        HighScoreTable::valueOf(digits, 2);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains(QString(80, QLatin1Char('9')) + QChar(0x2026) + "」"));
        EXPECT_FALSE(e.message().contains(QString(81, QLatin1Char('9'))));
        EXPECT_TRUE(e.message().contains(QStringLiteral("2行目")));
    }
    const QString emoji = QString::fromUcs4(U"😀").repeated(100);
    EXPECT_EQ(TextFile::shortened(emoji), QString::fromUcs4(U"😀").repeated(80) + QChar(0x2026));
    EXPECT_EQ(TextFile::shortened(QString(80, 'a')), QString(80, 'a'));
}

// The start mark was skipped twice, so a name at place 1 that began with U+FEFF lost it.
TEST(FileLimits, onlyOneStartMarkIsSkippedAndANameKeepsItsOwn) {
    const QString marked = QChar(0xFEFF) + QStringLiteral("名前");
    EXPECT_EQ(TextFile::decode("\xEF\xBB\xBF\xEF\xBB\xBF" + QStringLiteral("名前").toUtf8()),
              marked);
    EXPECT_EQ(TextFile::decode(QByteArray("A\xEF\xBB\xBF")), QStringLiteral("A") + QChar(0xFEFF));

    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", "900\r\n800\r\n700\r\n600\r\n500\r\n\r\n");
    ASSERT_EQ(HighScoreTable::registerEntry(1000, marked), 1);
    EXPECT_EQ(HighScoreTable::load().name(1), marked);
    ASSERT_EQ(HighScoreTable::registerEntry(1100, QStringLiteral("次")), 1);
    EXPECT_EQ(HighScoreTable::load().name(2), marked);
    // Without a U+FEFF of its own, the file has no mark: its bytes stay as they were.
    EXPECT_TRUE(dir.readBytes("system/Hiscorep.aty").startsWith(QStringLiteral("次").toUtf8()));
}

// Tables edited by hand may group digits the player's way; everything else that is not a
// number still stops with the message, and a moved entry keeps the text it was read with.
TEST(FileLimits, scoresWithThePlayersDigitGroupingReadAsThatNumber) {
    {
        LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(HighScoreTable::valueOf("1,000", 1), 1000.0);
        EXPECT_EQ(HighScoreTable::valueOf(" -12,345 ", 1), -12345.0);
        EXPECT_EQ(HighScoreTable::valueOf("1000", 1), 1000.0);
        for (const char* bad : {"1,000x", "1,,000", "abc", "1 000"})
            EXPECT_THROW(HighScoreTable::valueOf(bad, 1), FileError) << bad;

        int16_t rank = 0;
        RankCheck check;
        check.tenmi({"2,000", "1,500", "1,000", "900", "800"}, 1200, rank);
        EXPECT_EQ(rank, 3);

        TempWorkDir dir;
        dir.writeBytes("system/Hiscore.aty", "2,000\r\n1,500\r\n1,000\r\n900\r\n800\r\n\r\n");
        EXPECT_EQ(HighScoreTable::registerEntry(1200, "N"), 3);
        EXPECT_EQ(dir.readBytes("system/Hiscore.aty"),
                  "2,000\r\n1,500\r\n1200\r\n1,000\r\n900\r\n\r\n");
    }
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(HighScoreTable::valueOf("1.000", 1), 1000.0);
    EXPECT_EQ(HighScoreTable::valueOf("1000", 1), 1000.0);
    EXPECT_THROW(HighScoreTable::valueOf("1.000,x", 1), FileError);
}

// The running score stops at the 32-bit limits instead of overflowing.
TEST(FileLimits, theRunningScoreSaturatesAtThe32BitLimits) {
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    constexpr int32_t min = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(SaturatingScore::add(max - 10, 10), max);
    EXPECT_EQ(SaturatingScore::add(max - 10, 11), max);
    EXPECT_EQ(SaturatingScore::add(max, 100 * int64_t{max} + 10 * int64_t{max}), max);
    EXPECT_EQ(SaturatingScore::add(max, -20), max - 20);
    EXPECT_EQ(SaturatingScore::add(min + 20, -20), min);
    EXPECT_EQ(SaturatingScore::add(min + 19, -20), min);
    EXPECT_EQ(SaturatingScore::add(min, 10), min + 10);
}
