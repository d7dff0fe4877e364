#include "round/PhraseCatalogue.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

VariantTable tableWith(int choice) {
    VariantTable t;
    for (const auto& g : SpellingGroups::all())
        g.applyTo(t, choice);
    return t;
}

} // namespace

// Every phrase, whole, under spelling A, spelling B and no selection, against a table written
// out apart from the builder: catches a variable kana swapped for another, dropped or doubled in
// any row, and a fixed piece mistyped.
TEST(PhraseCatalogue, buildsEveryPhraseAsTheTableWritesIt) {
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/romaji-expected.tsv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.value(0), "number\tA\tB\tnone");
    ASSERT_EQ(lines.size(), PhraseCatalogue::Size + 1);
    const VariantTable tables[] = {tableWith(0), tableWith(1), VariantTable{}};
    for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
        const QStringList cells = lines[n].split('\t');
        ASSERT_EQ(cells.size(), 4) << lines[n].toStdString();
        ASSERT_EQ(cells[0].toInt(), n);
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(PhraseCatalogue::romaji(n, tables[column]).toStdString(),
                      cells[column + 1].toStdString())
                << "phrase " << n
                << (column == 0   ? " under A"
                    : column == 1 ? " under B"
                                  : " unset");
    }
}

// Row 69 picks its spelling by the ちゃ entry; unset entries vanish from the reading.
TEST(PhraseCatalogue, row69AndUnsetEntries) {
    VariantTable t;
    EXPECT_EQ(PhraseCatalogue::romaji(69, t), "mecchatorobo-");
    EXPECT_EQ(PhraseCatalogue::romaji(91, t), "togabuttoda");
    t.set(Kana::Cha, "tya");
    t.set(Kana::N, "nn");
    EXPECT_EQ(PhraseCatalogue::romaji(69, t), "mettyatoronnbo-nn");
    t.set(Kana::Cha, "cha");
    t.set(Kana::N, "n");
    EXPECT_EQ(PhraseCatalogue::romaji(69, t), "mecchatoronbo-n");
    t.set(Kana::Cha, "TYA");
    EXPECT_EQ(PhraseCatalogue::romaji(69, t), "mecchatoronbo-n");
}

// Fixed pieces keep their own spelling whatever the settings; punctuation and case survive.
TEST(PhraseCatalogue, fixedPiecesAndDisplayTextsStayAsWritten) {
    const VariantTable b = tableWith(1);
    EXPECT_EQ(PhraseCatalogue::romaji(34, b), "santakuro-suhahuhousinnyuusha");
    EXPECT_EQ(PhraseCatalogue::romaji(29, b), "3Rtoha,[riyu-su][ridexyu-su][risaitaru]");
    EXPECT_EQ(PhraseCatalogue::romaji(71, b), "I love milk");
    EXPECT_EQ(PhraseCatalogue::romaji(91, b), "futongabuttonda");
    EXPECT_EQ(QString::fromUtf8(PhraseCatalogue::row(31).text), "デジタル･バーサタイル･ディスク");
    EXPECT_EQ(QString::fromUtf8(PhraseCatalogue::row(92).text),
              "わ゛～れ゛～わ゛～れ゛～わ゛～う゛ぢゅ゛～ぢん゛だ～");
    const VariantTable a = tableWith(0);
    for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
        EXPECT_EQ(PhraseCatalogue::row(n).number, n);
        const QString r = PhraseCatalogue::romaji(n, a);
        EXPECT_FALSE(r.isEmpty()) << n;
        for (QChar c : r)
            EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7f) << n;
    }
}

// The pick reseeds on every call, floors r * 100, and turns 0 into phrase 100.
TEST(PhraseCatalogue, drawMapsZeroToPhrase100AndReseeds) {
    ScriptedRandom random;
    VariantTable t = tableWith(0);
    random.push({0.0f, 0.999f, 0.5f, 0.0101f});
    Phrase p = PhraseCatalogue::draw(random, t);
    EXPECT_EQ(p.number, 100);
    EXPECT_EQ(p.text, "かすていら");
    EXPECT_EQ(p.romaji, "kasuteira");
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 99);
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 50);
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 1);
    EXPECT_EQ(random.reseeds, 4);
}
