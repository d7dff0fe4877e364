#include "phrases/KanaSpeller.h"
#include "phrases/PhraseCatalogue.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Spellings.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <map>

namespace {

const VariantTable A = tableWith(0);
const VariantTable B = tableWith(1);
const VariantTable None;

QString romaji(const QString& reading, const VariantTable& table) {
    const auto parts = KanaSpeller::parse(reading);
    if (!parts)
        return QStringLiteral("<unknown character>");
    return KanaSpeller::join(KanaSpeller::spell(*parts, table), table);
}

// The rows of a tab-separated test data file, header first.
std::vector<QStringList> tsv(const char* name) {
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    std::vector<QStringList> rows;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!line.isEmpty())
            rows.push_back(line.split(QLatin1Char('\t')));
    return rows;
}

struct Expect {
    const char* reading;
    const char* a; // under spelling A
    const char* b; // under spelling B
    const char* none;
};

void expectAll(std::initializer_list<Expect> cases) {
    for (const Expect& c : cases) {
        const QString reading = QString::fromUtf8(c.reading);
        EXPECT_EQ(romaji(reading, A).toStdString(), c.a) << c.reading << " under A";
        EXPECT_EQ(romaji(reading, B).toStdString(), c.b) << c.reading << " under B";
        EXPECT_EQ(romaji(reading, None).toStdString(), c.none) << c.reading << " with no selection";
    }
}

} // namespace

// The speller against the built-in catalogue: every reading of tests/data/readings.tsv spelt
// under spelling A, spelling B and no selection must give the romaji of the written-out table.
// The rows the data marks as checked under A only must differ under the others, so that the
// list of phrases with a variable kana inside a fixed piece stays exact. Where a phrase matches,
// its pieces must equal the catalogue's too: the either-spelling judge works on the pieces.
// The catalogue carries the same readings, for the judges that follow the reading.
TEST(KanaSpeller, reproducesEveryBuiltInPhraseFromItsReading) {
    const auto readings = tsv("readings.tsv");
    const auto expected = tsv("romaji-expected.tsv");
    ASSERT_EQ(readings.size(), 101u);
    ASSERT_EQ(expected.size(), 101u);
    ASSERT_EQ(readings[0].join(QLatin1Char(',')), "number,text,reading,checked,why");
    ASSERT_EQ(expected[0].join(QLatin1Char(',')), "number,A,B,none");
    const VariantTable* tables[] = {&A, &B, &None};
    const char* names[] = {"A", "B", "none"};
    int checkedEverywhere = 0;
    for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
        const QStringList& row = readings[n];
        ASSERT_GE(row.size(), 4) << n;
        ASSERT_EQ(row[0].toInt(), n);
        ASSERT_EQ(expected[n][0].toInt(), n);
        EXPECT_EQ(row[1], QString::fromUtf8(PhraseCatalogue::row(n).text)) << n;
        EXPECT_EQ(row[2], PhraseCatalogue::reading(n)) << n;
        const auto parts = KanaSpeller::parse(row[2]);
        ASSERT_TRUE(parts) << n << " " << row[2].toStdString();
        const QStringList checked = row[3].split(QLatin1Char(' '));
        EXPECT_TRUE(checked.contains("A")) << n;
        if (checked.size() < 3)
            EXPECT_FALSE(row.value(4).isEmpty()) << n << ": a row left out needs its reason";
        else
            ++checkedEverywhere;
        for (int s = 0; s < 3; ++s) {
            const PhrasePieces pieces = KanaSpeller::spell(*parts, *tables[s]);
            const QString got = KanaSpeller::join(pieces, *tables[s]);
            if (!checked.contains(QLatin1String(names[s]))) {
                EXPECT_NE(got, expected[n][s + 1])
                    << n << " matches under " << names[s] << ": check it there";
                continue;
            }
            EXPECT_EQ(got.toStdString(), expected[n][s + 1].toStdString())
                << n << " under " << names[s];
            if (checked.size() < 3)
                continue;
            const PhrasePieces built = PhraseCatalogue::pieces(n, *tables[s]);
            ASSERT_EQ(pieces.size(), built.size()) << n << " under " << names[s];
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                EXPECT_EQ(pieces[i].fixed, built[i].fixed) << n << " piece " << i;
                EXPECT_EQ(pieces[i].kana, built[i].kana) << n << " piece " << i;
            }
        }
    }
    EXPECT_EQ(checkedEverywhere, 79);
}

// Small っ: the first letter of the next kana doubled; before a variable kana the letter of
// the spelling in force (the letter both spellings share stays when the entry is unset, as in
// "set" + つ); typed "ltu" where nothing can be doubled (n, vowels, small kana, signs, ASCII,
// the end), as the built-in "dailtu!" does.
TEST(KanaSpeller, smallTsuDoublesTheConsonantAfterIt) {
    expectAll({
        {"っか", "kka", "kka", "kka"},        {"っが", "gga", "gga", "gga"},
        {"っさ", "ssa", "ssa", "ssa"},        {"っざ", "zza", "zza", "zza"},
        {"った", "tta", "tta", "tta"},        {"っだ", "dda", "dda", "dda"},
        {"っち", "tti", "tti", "tti"},        {"っぢ", "ddi", "ddi", "ddi"},
        {"っは", "hha", "hha", "hha"},        {"っば", "bba", "bba", "bba"},
        {"っぱ", "ppa", "ppa", "ppa"},        {"っま", "mma", "mma", "mma"},
        {"っや", "yya", "yya", "yya"},        {"っら", "rra", "rra", "rra"},
        {"っわ", "wwa", "wwa", "wwa"},        {"っを", "wwo", "wwo", "wwo"},
        {"ッヴ", "vvu", "vvu", "vvu"},        {"っきゃ", "kkya", "kkya", "kkya"},
        {"っふぁ", "ffa", "ffa", "ffa"},      {"っしぇ", "ssye", "ssye", "ssye"},
        {"っし", "ssi", "sshi", "s"},         {"っつ", "ttu", "ttsu", "t"},
        {"っしょ", "ssyo", "ssho", "s"},      {"っちゃ", "ttya", "ccha", ""},
        {"っちゅ", "ttyu", "cchu", ""},       {"っじ", "zzi", "jji", ""},
        {"っじょ", "zzyo", "jjo", ""},        {"っふ", "hhu", "ffu", ""},
        {"っな", "ltuna", "ltuna", "ltuna"},  {"っあ", "ltua", "ltua", "ltua"},
        {"っん", "ltunn", "ltun", "ltu"},     {"っゃ", "ltulya", "ltuxya", "ltu"},
        {"っぁ", "ltula", "ltuxa", "ltu"},    {"っー", "ltu-", "ltu-", "ltu-"},
        {"いっ!", "iltu!", "iltu!", "iltu!"}, {"いっ", "iltu", "iltu", "iltu"},
        {"っk", "ltuk", "ltuk", "ltuk"},      {"っっか", "ltukka", "ltukka", "ltukka"},
    });
    // Before a kana whose spellings begin differently the letter follows the spelling in
    // force: one piece of its own, so a later change of spelling changes it too.
    const auto parts = KanaSpeller::parse(u"まっちゃ");
    ASSERT_TRUE(parts);
    VariantTable t = A;
    EXPECT_EQ(KanaSpeller::join(KanaSpeller::spell(*parts, t), t), "mattya");
    t.set(Kana::Cha, "cha");
    EXPECT_EQ(KanaSpeller::join(KanaSpeller::spell(*parts, t), t), "maccha");
}

// ん is always the player's spelling, also before a vowel or a y-kana: spelling B keeps "n"
// there exactly as the built-in phrases do ("si" + ん + "nyuu"), and the piece stays variable.
TEST(KanaSpeller, nKeepsTheChosenSpellingBeforeVowelsAndY) {
    expectAll({
        {"あんい", "anni", "ani", "ai"},
        {"きんえん", "kinnenn", "kinen", "kie"},
        {"ほんや", "honnya", "honya", "hoya"},
        {"ほんよう", "honnyou", "honyou", "hoyou"},
        {"しんにゅう", "sinnnyuu", "shinnyuu", "nyuu"},
        {"ぜんおん", "zennonn", "zenon", "zeo"},
        {"ン", "nn", "n", ""},
    });
    const auto parts = KanaSpeller::parse(u"あんい");
    ASSERT_TRUE(parts);
    const PhrasePieces pieces = KanaSpeller::spell(*parts, B);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[1].kana, Kana::N);
}

// A small kana joins the kana before it only where the table has the pair (きゃ, しぇ, ふぁ);
// after any other kana it is spelt alone in the player's spelling, like "ride" + ゅ.
TEST(KanaSpeller, smallKanaAfterEveryConsonant) {
    struct Row {
        const char16_t* kana;
        const char* stem; // the pair's stem with ゃゅょぇ, or nullptr when they stand alone
    };
    const Row rows[] = {
        {u"き", "ky"},    {u"ぎ", "gy"},    {u"ぢ", "dy"},    {u"に", "ny"},    {u"ひ", "hy"},
        {u"び", "by"},    {u"ぴ", "py"},    {u"み", "my"},    {u"り", "ry"},    {u"か", nullptr},
        {u"さ", nullptr}, {u"た", nullptr}, {u"で", nullptr}, {u"ね", nullptr}, {u"へ", nullptr},
        {u"ま", nullptr}, {u"ゆ", nullptr}, {u"ろ", nullptr}, {u"わ", nullptr}, {u"ぐ", nullptr},
        {u"ぷ", nullptr},
    };
    const std::pair<const char16_t*, const char*> smalls[] = {
        {u"ゃ", "a"}, {u"ゅ", "u"}, {u"ょ", "o"}, {u"ぇ", "e"}};
    for (const Row& r : rows) {
        const QString kana = QString::fromUtf16(r.kana);
        const QString alone = romaji(kana, A);
        for (const auto& [small, vowel] : smalls) {
            const QString reading = kana + QString::fromUtf16(small);
            if (r.stem) {
                EXPECT_EQ(romaji(reading, A), QLatin1String(r.stem) + vowel)
                    << reading.toStdString();
                EXPECT_EQ(romaji(reading, B), QLatin1String(r.stem) + vowel)
                    << reading.toStdString();
            } else {
                EXPECT_EQ(romaji(reading, A), alone + romaji(QString::fromUtf16(small), A))
                    << reading.toStdString();
                EXPECT_EQ(romaji(reading, B),
                          romaji(kana, B) + romaji(QString::fromUtf16(small), B))
                    << reading.toStdString();
            }
        }
    }
    expectAll({
        {"しゃしゅしょ", "syasyusyo", "shashusho", ""},
        {"じゃじゅじょ", "zyazyuzyo", "jajujo", ""},
        {"ちゃちゅちょ", "tyatyutyo", "chachucho", ""},
        {"しぇじぇちぇ", "syezyetye", "syezyetye", "syezyetye"},
        {"ふぁふぃふぇふぉ", "fafifefo", "fafifefo", "fafifefo"},
        {"ヴァヴィヴェヴォ", "vavivevo", "vavivevo", "vavivevo"},
        {"ふゅ", "hulyu", "fuxyu", ""},
        {"てぃ", "teli", "texi", "te"},
        {"ゃゅょぁぃぅぇぉ", "lyalyulyolalilulelo", "xyaxyuxyoxaxixuxexo", ""},
    });
}

// Every kana with one spelling, ー and the other signs of the built-in phrases, katakana read as
// hiragana, and ASCII (also written full width) passed through as typed.
TEST(KanaSpeller, longVowelsKatakanaSignsAndAscii) {
    expectAll({
        {"ラーメン", "ra-menn", "ra-men", "ra-me"},
        // Every kana with one fixed spelling, in table order.
        {"あいうえおかきくけこがぎぐげごさすせそざずぜぞたちてとだぢづでどなにぬねの",
         "aiueokakikukekogagigugegosasusesozazuzezotatitetodadidudedonaninuneno",
         "aiueokakikukekogagigugegosasusesozazuzezotatitetodadidudedonaninuneno",
         "aiueokakikukekogagigugegosasusesozazuzezotatitetodadidudedonaninuneno"},
        {"はひへほばびぶべぼぱぴぷぺぽまみむめもやゆよらりるれろわゐゑをゔゎゕゖ",
         "hahihehobabibubebopapipupepomamimumemoyayuyorarirurerowawiwewovulwalkalke",
         "hahihehobabibubebopapipupepomamimumemoyayuyorarirurerowawiwewovulwalkalke",
         "hahihehobabibubebopapipupepomamimumemoyayuyorarirurerowawiwewovulwalkalke"},
        {"ｰ〜～", "-~~", "-~~", "-~~"},
        {"カタカナ", "katakana", "katakana", "katakana"},
        {"シャツ", "syatu", "shatsu", ""},
        {"ヵヶゎヮ", "lkalkelwalwa", "lkalkelwalwa", "lkalkelwalwa"},
        {"あ。い、う…え・お･か｡き､", "a.i,u///e/o/ka.ki,", "a.i,u///e/o/ka.ki,",
         "a.i,u///e/o/ka.ki,"},
        {"「かぎ」｢かっこ｣", "[kagi][kakko]", "[kagi][kakko]", "[kagi][kakko]"},
        {"Ｐｙｔｈｏｎ３！？", "Python3!?", "Python3!?", "Python3!?"},
        {"I love ぷりん", "I love purinn", "I love purin", "I love puri"},
        {"あ　い", "a i", "a i", "a i"},
        {"C++と#", "C++to#", "C++to#", "C++to#"},
    });
}

// A character outside the table is refused with its place, never skipped or spelt as
// something else.
TEST(KanaSpeller, refusesCharactersItDoesNotKnowAndSaysWhere) {
    const std::pair<const char16_t*, qsizetype> cases[] = {
        {u"かん字", 2}, {u"漢", 0}, {u"か\tき", 1}, {u"か\nき", 1}, {u"う゛", 1},
        {u"ｶﾀ", 0},     {u"ゟ", 0}, {u"すし🍣", 2},  {u"ヷ", 0},     {u"ゝ", 0},
    };
    for (const auto& [reading, at] : cases) {
        qsizetype unknownAt = -1;
        EXPECT_FALSE(KanaSpeller::parse(QString::fromUtf16(reading), &unknownAt))
            << QString::fromUtf16(reading).toStdString();
        EXPECT_EQ(unknownAt, at) << QString::fromUtf16(reading).toStdString();
    }
}
