#include "phrases/PhraseCatalogue.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"
#include "tests/support/Spellings.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The data lines of a table under tests/data, after checking its header.
QStringList dataLines(const char* name, const char* header) {
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << name;
        return {};
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), QLatin1String(header)) << name;
    lines.removeFirst();
    return lines;
}

} // namespace

// Every phrase, whole: its display text, and its romaji under spelling A, spelling B and no
// selection, against tables written out apart from the builder. Catches a variable kana
// swapped for another, dropped or doubled in any row, a fixed piece mistyped, and a changed
// display text.
TEST(PhraseCatalogue, buildsEveryPhraseAsTheTablesWriteIt) {
    const QStringList texts = dataLines("phrase-texts.tsv", "number\ttext");
    const QStringList romaji = dataLines("romaji-expected.tsv", "number\tA\tB\tnone");
    ASSERT_EQ(texts.size(), PhraseCatalogue::Size);
    ASSERT_EQ(romaji.size(), PhraseCatalogue::Size);
    const VariantTable tables[] = {tableWith(0), tableWith(1), VariantTable{}};
    for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
        EXPECT_EQ(PhraseCatalogue::row(n).number, n);
        EXPECT_EQ(PhraseCatalogue::row(n).text, texts[n - 1].section('\t', 1).toStdString()) << n;
        const QStringList cells = romaji[n - 1].split('\t');
        ASSERT_EQ(cells.size(), 4) << romaji[n - 1].toStdString();
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

// The pick reseeds on every call, floors r * 100, and turns 0 into phrase 100.
TEST(PhraseCatalogue, drawMapsZeroToPhrase100AndReseeds) {
    ScriptedRandom random;
    VariantTable t = tableWith(0);
    // 0.99999994 is the largest draw below 1; r * 100 rounds up to 100 in single precision.
    random.push({0.0f, 0.999f, 0.5f, 0.0101f, 0.99999994f});
    Phrase p = PhraseCatalogue::draw(random, t);
    EXPECT_EQ(p.number, 100);
    EXPECT_EQ(p.text, "かすていら");
    EXPECT_EQ(p.romaji, "kasuteira");
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 99);
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 50);
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 1);
    EXPECT_EQ(PhraseCatalogue::draw(random, t).number, 99);
    EXPECT_EQ(random.reseeds, 5);
}
