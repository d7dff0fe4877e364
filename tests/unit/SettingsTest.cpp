#include "core/FileError.h"
#include "core/TextFile.h"
#include "settings/RoundStartLoader.h"
#include "settings/SettingsFile.h"
#include "settings/SpellingSelection.h"
#include "settings/VariantTable.h"
#include "tests/support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QByteArray allA = QByteArray("1\r0\r").repeated(9) + "1\r\r\n";
const QByteArray allB = QByteArray("0\r1\r").repeated(9) + "0\r\r\n";

QStringList linesOf(const QByteArray& bytes) {
    return TextFile::splitLines(TextFile::decode(bytes));
}

QStringList tableText(const VariantTable& t) {
    QStringList out;
    for (std::size_t k = 0; k < static_cast<std::size_t>(Kana::Count); ++k)
        out << t.get(static_cast<Kana>(k));
    return out;
}

const QStringList expectA = {"tya", "tyu", "tyo", "zya", "zyu", "zyo", "sya", "syu",
                             "syo", "lya", "lyu", "lyo", "tu",  "si",  "zi",  "nn",
                             "la",  "li",  "lu",  "le",  "lo",  "hu"};
const QStringList expectB = {"cha", "chu", "cho", "ja",  "ju",  "jo",  "sha", "shu",
                             "sho", "xya", "xyu", "xyo", "tsu", "shi", "ji",  "n",
                             "xa",  "xi",  "xu",  "xe",  "xo",  "fu"};

} // namespace

// The writer must produce the exact 40 bytes the Windows version wrote, or old files and
// new ones would disagree; the shipped default must be that file.
TEST(SpellingSettings, writerProducesTheFortyByteFilesAndTheDefaultIsAllA) {
    TempWorkDir dir;
    EXPECT_EQ(dir.readBytes("system/char.aty"), allA);
    SpellingSelection a;
    SettingsFile::write(a);
    EXPECT_EQ(dir.readBytes("system/char.aty"), allA);

    SpellingSelection b;
    for (int g = 0; g < SpellingGroups::GroupCount; ++g)
        b.setChoice(g, 1);
    SettingsFile::write(b);
    EXPECT_EQ(dir.readBytes("system/char.aty"), allB);
}

// Both program-written files must load into every one of the 22 entries, in group order.
TEST(SpellingSettings, roundStartLoaderFillsTheWholeTableFromAllAAndAllBFiles) {
    VariantTable a;
    RoundStartLoader loaderA;
    EXPECT_EQ(loaderA.apply(linesOf(allA), a), QString("1\r\n0\r\n").repeated(9) + "1\r\n\r\n");
    EXPECT_EQ(tableText(a), expectA);

    VariantTable b;
    RoundStartLoader loaderB;
    loaderB.apply(linesOf(allB), b);
    EXPECT_EQ(tableText(b), expectB);
}

// Damaged or hand-made files: nothing but the rules of the lines may change the table.
TEST(SpellingSettings, oddFilesChangeOnlyWhatTheirLinesSelect) {
    { // empty file: no line, nothing changes, fu included
        VariantTable t;
        RoundStartLoader l;
        EXPECT_EQ(l.apply(linesOf(""), t), "");
        EXPECT_EQ(tableText(t), QStringList(22, QString()));
    }
    { // LF-only line ends: one long line, nothing is set
        VariantTable t;
        RoundStartLoader l;
        l.apply(linesOf(QByteArray("1\n0\n").repeated(9) + "1\n\n"), t);
        EXPECT_EQ(l.lineCount(), 1);
        EXPECT_EQ(tableText(t), QStringList(22, QString()));
    }
    { // 19 lines of "0": only fu, and it becomes "fu"
        VariantTable t;
        RoundStartLoader l;
        l.apply(linesOf(QByteArray("0\r").repeated(19)), t);
        QStringList expected(22, QString());
        expected[21] = "fu";
        EXPECT_EQ(tableText(t), expected);
    }
    { // both lines of a pair say "1": the later one wins; " 1" is not a selection
        VariantTable t;
        RoundStartLoader l;
        l.apply(linesOf("1\r1\r 1\r1 \r"), t);
        EXPECT_EQ(t.get(Kana::Cha), "cha");
        EXPECT_EQ(t.get(Kana::Cho), "cho");
        EXPECT_EQ(t.get(Kana::Ja), "");
    }
    { // line 20 "1" means fu even when line 19 says hu
        VariantTable t;
        RoundStartLoader l;
        l.apply(linesOf(allA.chopped(3) + "\r1\r"), t);
        EXPECT_EQ(t.get(Kana::Fu), "fu");
    }
}

// The line count runs on through the run: the second round start must not undo what the
// settings dialog chose, and a short file continues the numbering.
TEST(SpellingSettings, secondRoundStartOfARunContinuesTheLineCount) {
    VariantTable t;
    RoundStartLoader l;
    l.apply(linesOf(allA), t);
    t.set(Kana::N, "n"); // the dialog changed it meanwhile
    l.apply(linesOf(allB), t);
    EXPECT_EQ(l.lineCount(), 40);
    EXPECT_EQ(t.get(Kana::N), "n");
    EXPECT_EQ(t.get(Kana::Cha), "tya");

    VariantTable s;
    RoundStartLoader ten;
    ten.apply(linesOf(QByteArray("0\r").repeated(10)), s);
    ten.apply(linesOf(QByteArray("1\r0\r0\r0\r0\r0\r0\r0\r0\r0\r")), s); // lines 11..20
    EXPECT_EQ(s.get(Kana::Shi), "si");
    EXPECT_EQ(s.get(Kana::Fu), "fu"); // its line 9 counts as 19 and is not "1"
}

// The dialog reads the file into its option buttons with the same line rules.
TEST(SpellingSettings, dialogSelectionReadsFilesAndRoundTripsByteForByte) {
    SpellingSelection empty;
    empty.load({});
    EXPECT_EQ(empty.fileText().toLatin1() + "\r\n", allA);

    SpellingSelection b;
    b.load(linesOf(allB));
    EXPECT_EQ(b.fileText().toLatin1() + "\r\n", allB);
    EXPECT_TRUE(b.isSelected(20)); // cfu

    SpellingSelection zero19;
    zero19.load(linesOf(allA.left(36) + "0\r\r\n"));
    EXPECT_TRUE(zero19.isSelected(20));
    VariantTable t;
    zero19.applyTo(t);
    EXPECT_EQ(t.get(Kana::Fu), "fu");
    EXPECT_EQ(t.get(Kana::N), "nn");
}

TEST(SpellingSettings, missingFileIsAFileErrorNamingIt) {
    TempWorkDir dir;
    QFile::remove(dir.path("system/char.aty"));
    VariantTable t;
    RoundStartLoader l;
    try {
        l.load(t);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains("system\\char.aty")) << e.message().toStdString();
    }
}
