#include "typing/ReadingJudge.h"
#include "phrases/PhraseCatalogue.h"
#include "phrases/PhrasePack.h"
#include "round/ProgramState.h"
#include "round/RoundJudge.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"
#include "tests/support/Spellings.h"
#include "tests/support/TempWorkDir.h"
#include "typing/RomajiTable.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <random>

namespace {

QStringList dataLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The built-in table read straight from its file, apart from the game's reader.
struct RefRow {
    QString keys, output, pending;
};
std::vector<RefRow> referenceRows() {
    std::vector<RefRow> rows;
    for (const QString& line :
         dataLines(QStringLiteral(KAZAMINA_SOURCE_DIR "/data/romaji/ime.tsv"))) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        rows.push_back({f[0], f[1], f.value(2)});
    }
    return rows;
}

// A reference converter, written apart from the judge with the whole key sequence in view: at
// each point the longest row whose keys begin the rest applies, unless the rest is still the
// start of a longer row (the input method waits); a key no row begins is written as it is.
// Returns the text, and what is left waiting.
std::pair<QString, QString> referenceConvert(const std::vector<RefRow>& rows, QString keys) {
    QString out;
    while (!keys.isEmpty()) {
        const RefRow* best = nullptr;
        bool waits = false;
        for (const RefRow& r : rows) {
            if (r.keys.startsWith(keys) && r.keys.size() > keys.size())
                waits = true;
            if (keys.startsWith(r.keys) && (!best || r.keys.size() > best->keys.size()))
                best = &r;
        }
        if (waits)
            return {out, keys};
        if (!best) {
            out += keys.front();
            keys.remove(0, 1);
            continue;
        }
        out += best->output;
        keys = best->pending + keys.mid(best->keys.size());
    }
    return {out, QString()};
}

// The signs of the readings as the game writes them.
QString writtenSign(QChar c) {
    static const QHash<QChar, QString> signs = {
        {u'ー', "-"}, {u'。', "."}, {u'、', ","}, {u'…', "///"}, {u'・', "/"},
        {u'～', "~"}, {u'｢', "["},  {u'｣', "]"},  {u'「', "["},  {u'」', "]"}};
    if (c.unicode() < 0x7F)
        return QString(c);
    if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
        return QString(QChar(c.unicode() - 0xFEE0));
    return signs.value(c);
}

// A random spelling of the reading drawn from the table's rows, checked by the reference
// converter a stretch of kana at a time; signs are typed as written or through the table.
QString randomSpelling(const std::vector<RefRow>& rows, const QString& reading, std::mt19937& rng) {
    const QString folded = RomajiTable::fold(reading);
    for (int attempt = 0; attempt < 2000; ++attempt) {
        QString keys, stretch, stretchKeys;
        bool ok = true;
        auto closeStretch = [&] {
            const auto [out, waiting] = referenceConvert(rows, stretchKeys);
            ok = ok && waiting.isEmpty() && RomajiTable::fold(out) == stretch;
            keys += stretchKeys;
            stretch.clear();
            stretchKeys.clear();
        };
        for (qsizetype p = 0; p < folded.size() && ok;) {
            std::vector<const RefRow*> fits;
            for (const RefRow& r : rows)
                if (QStringView(folded).mid(p).startsWith(RomajiTable::fold(r.output)))
                    fits.push_back(&r);
            const QString written = writtenSign(folded[p]);
            if (!written.isEmpty() && (fits.empty() || rng() % 2)) {
                closeStretch();
                keys += written;
                ++p;
                continue;
            }
            if (fits.empty()) {
                ok = false;
                break;
            }
            const RefRow* r = fits[rng() % fits.size()];
            stretch += RomajiTable::fold(r->output);
            // A row with pending keys is typed as its keys less the pending ones, which the
            // next row's keys begin with.
            stretchKeys += r->keys.left(r->keys.size() - r->pending.size());
            p += r->output.size();
        }
        closeStretch();
        if (ok)
            return keys;
    }
    return {};
}

// Feeds the keys; the index of the first refused key, -1 when all were taken.
int firstRefused(ReadingJudge& judge, const QString& keys) {
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (!judge.feed(keys[i]))
            return static_cast<int>(i);
    return -1;
}

} // namespace

// Every built-in phrase and every phrase of the sample pack, in its settings' spelling and in
// three random spellings drawn from the table: no key is refused and the phrase completes at
// the last key, not before. The guide line shows the settings' spelling until the player
// leaves it. A fault in the judge's conversion, pending keys or ん shows here.
TEST(ReadingJudge, everyPhraseTakesRandomSpellingsFromTheTable) {
    const auto rows = referenceRows();
    ASSERT_GE(rows.size(), 250u);
    const auto table = RomajiTable::builtIn();
    ASSERT_EQ(table->size(), static_cast<int>(rows.size()));
    std::vector<std::pair<QString, QString>> phrases; // reading, settings' spelling
    const VariantTable a = tableWith(0);
    // Spelling A writes ん as "nn", so its romaji is one of the input method's spellings too.
    for (int n = 1; n <= PhraseCatalogue::Size; ++n)
        phrases.emplace_back(PhraseCatalogue::reading(n), PhraseCatalogue::romaji(n, a));
    const PhrasePack pack =
        PhrasePack::read(QStringLiteral(KAZAMINA_SOURCE_DIR "/data/phrases/sample-phrases.txt"));
    for (int n = 1; n <= pack.size(); ++n)
        phrases.emplace_back(pack.phrase(n, a).reading, pack.phrase(n, a).romaji);
    std::mt19937 rng(21);
    for (const auto& [reading, settings] : phrases) {
        QStringList spellings{settings};
        for (int i = 0; i < 3; ++i)
            spellings << randomSpelling(rows, reading, rng);
        for (const QString& keys : spellings) {
            ASSERT_FALSE(keys.isEmpty()) << reading.toStdString();
            ReadingJudge judge(reading, *table, settings);
            ASSERT_TRUE(judge.spellable()) << reading.toStdString();
            EXPECT_EQ(judge.rest(), settings);
            for (qsizetype i = 0; i < keys.size(); ++i) {
                ASSERT_FALSE(judge.complete()) << reading.toStdString() << " at " << i;
                ASSERT_TRUE(judge.feed(keys[i]))
                    << reading.toStdString() << " " << keys.toStdString() << " at " << i;
                if (keys.left(i + 1) == settings.left(i + 1)) {
                    EXPECT_EQ(judge.rest(), settings.mid(i + 1)) << reading.toStdString();
                }
            }
            EXPECT_TRUE(judge.complete()) << reading.toStdString() << " " << keys.toStdString();
            EXPECT_EQ(judge.rest(), QString());
        }
    }
}

// The judging faults players report most, as one table: a lone n before a vowel, nn, n' and
// xn, っ before any spelling, wrong keys that an input method refuses, signs as written.
TEST(ReadingJudge, thePitfallsOfTheDataFileGoAsAnInputMethodGoes) {
    const auto table = RomajiTable::builtIn();
    int cases = 0;
    for (const QString& line :
         dataLines(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/ime-pitfalls.tsv"))) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        ASSERT_EQ(f.size(), 3) << line.toStdString();
        ReadingJudge judge(f[0], *table);
        ASSERT_TRUE(judge.spellable()) << line.toStdString();
        const int refused = firstRefused(judge, f[1]);
        const QString got = refused >= 0       ? QString::number(refused)
                            : judge.complete() ? QStringLiteral("complete")
                                               : QStringLiteral("open");
        EXPECT_EQ(got.toStdString(), f[2].toStdString()) << line.toStdString();
        ++cases;
    }
    EXPECT_GE(cases, 60);
}

// The line follows the player: the spelling begun for the kana in progress, the settings'
// spelling after it; and a refused key changes neither the line nor what may follow.
TEST(ReadingJudge, theLineShowsThePlayersSpellingThenTheSettings) {
    const auto table = RomajiTable::builtIn();
    ReadingJudge judge(QStringLiteral("めっちゃとろんぼーん"), *table,
                       QStringLiteral("mettyatoronbo-nn"));
    for (QChar c : QStringLiteral("mec"))
        ASSERT_TRUE(judge.feed(c));
    EXPECT_EQ(judge.rest(), QStringLiteral("chatoronbo-nn"));
    EXPECT_FALSE(judge.feed(QLatin1Char('x')));
    EXPECT_EQ(judge.rest(), QStringLiteral("chatoronbo-nn"));
    for (QChar c : QStringLiteral("ch"))
        ASSERT_TRUE(judge.feed(c));
    EXPECT_EQ(judge.rest(), QStringLiteral("atoronbo-nn"));
    ASSERT_TRUE(judge.feed(QLatin1Char('a')));
    EXPECT_EQ(judge.rest(), QStringLiteral("toronbo-nn"));
    // Custom tables spell the line with their own first rows.
    ReadingJudge own(QStringLiteral("しんぶん"), *table);
    EXPECT_EQ(own.guide(), QStringLiteral("sinnbunn"));
}

// Bad rows of a player's table, as one table: each gives one message naming the file, the line
// and the reason, and the round is judged with the built-in table; nothing is written.
TEST(RomajiTable, aBadPlayersTableNamesTheLineAndFallsBackToTheBuiltIn) {
    struct Case {
        const char* content;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"ka\tか\n# c\nka\tカ\n", 3, "1 行目と重なっています"},
        {"ka\t\n", 1, "出力が空です"},
        {"k a\tか\n", 1, "空白・制御文字"},
        {"k\x01\tか\n", 1, "空白・制御文字"},
        {"ka\tか\x07\n", 1, "使えない文字"},
        {"ka\tか\nqq\tっ\tq\n", 2, "最後まで打てません"},
        {"ka\tか\nkk\tっ\tz\n", 2, "最後まで打てません"},
        {"a\tあ\ta\n", 1, "終わりません"},
        {"ka\n", 1, "タブがありません"},
        {"ka\tか\tk\tx\n", 1, "タブが 3 つ以上"},
        {"abcdefghi\tか\n", 1, "8 文字を超えて"},
        {"ka\tかかかかか\n", 1, "4 文字を超えて"},
        {"# only a comment\n", 0, "行がひとつもありません"},
    };
    for (const Case& c : cases) {
        TempWorkDir dir;
        dir.writeBytes(QStringLiteral("system/romaji.tsv"), QByteArray(c.content));
        RecordingErrors errors;
        const auto table = RomajiTable::loadForRound(errors);
        EXPECT_EQ(table, RomajiTable::builtIn()) << c.content;
        ASSERT_EQ(errors.warnings.size(), 1) << c.content << " -> " << table->size();
        const QString& m = errors.warnings.front();
        EXPECT_TRUE(m.contains(QStringLiteral("system\\romaji.tsv"))) << m.toStdString();
        if (c.line > 0) {
            EXPECT_TRUE(m.contains(QStringLiteral("%1 行目").arg(c.line))) << m.toStdString();
        }
        EXPECT_TRUE(m.contains(QString::fromUtf8(c.reason))) << m.toStdString();
        EXPECT_TRUE(m.contains(QStringLiteral("内蔵のローマ字表"))) << m.toStdString();
        EXPECT_EQ(dir.readBytes(QStringLiteral("system/romaji.tsv")), QByteArray(c.content));
        EXPECT_TRUE(errors.messages.isEmpty());
    }
    // A good table in Shift-JIS with CR LF, and one with CR alone, are read as written.
    for (const char* end : {"\r\n", "\r"}) {
        TempWorkDir dir;
        QStringEncoder sjis("Shift_JIS");
        const QString text = QStringLiteral("ka\tカ%1kk\tっ\tk%1").arg(QLatin1String(end));
        dir.writeBytes(QStringLiteral("system/romaji.tsv"), sjis.encode(text));
        RecordingErrors errors;
        const auto table = RomajiTable::loadForRound(errors);
        EXPECT_TRUE(errors.warnings.isEmpty()) << errors.warnings.join("").toStdString();
        ASSERT_EQ(table->size(), 2);
        ReadingJudge judge(QStringLiteral("かっか"), *table);
        EXPECT_EQ(firstRefused(judge, QStringLiteral("kakka")), -1);
        EXPECT_TRUE(judge.complete());
    }
    // Pending keys that are exactly another row's keys settle through that row.
    TempWorkDir dir;
    dir.writeBytes(QStringLiteral("system/romaji.tsv"), "n\tん\nnx\tン\tn\n");
    RecordingErrors errors;
    const auto table = RomajiTable::loadForRound(errors);
    EXPECT_TRUE(errors.warnings.isEmpty()) << errors.warnings.join("").toStdString();
    EXPECT_EQ(table->size(), 2);
}

namespace {

float phraseValue(int n) {
    return (static_cast<float>(n % 100) + 0.5f) / 100.0f;
}

} // namespace

// The round judged by the reading: phrase 69 typed "meccha..." is flawless, a miss counts and
// changes nothing, the figures count every key; a player's table that cannot spell a phrase
// hands it to the built-in table and says so once.
TEST(RoundJudgeByReading, aRoundTakesImeSpellingsAndCountsTheFigures) {
    ProgramState state;
    VariantTable variants = tableWith(0);
    ScriptedRandom random;
    RecordingMedia media;
    RoundJudge judge(state, variants, random, media);
    QStringList notices;
    TempWorkDir dir;
    dir.writeBytes(QStringLiteral("system/romaji.tsv"), "me\tめ\n");
    RecordingErrors errors;
    judge.judgeByReading(RomajiTable::loadForRound(errors), true,
                         [&notices](const QString& m) { notices << m; });
    judge.resetResults();
    judge.resetRound();
    random.push({phraseValue(69)});
    judge.MonSel();
    judge.takeTarget();
    for (int i = 0; i < 4; ++i)
        judge.countdownTick();
    EXPECT_EQ(judge.romaji().toStdString(), "mettyatoronnbo-nn");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices.front().contains(QStringLiteral("めっちゃトロンボーン")));
    const QString keys = QStringLiteral("mecchatoronbo-n'");
    for (QChar c : keys.left(3))
        judge.keyPress(QString(c));
    judge.keyPress(QStringLiteral("x"));
    EXPECT_EQ(judge.romaji().toStdString(), "chatoronnbo-nn");
    EXPECT_EQ(state.figures.misses(), 1);
    ASSERT_EQ(state.figures.missesByKey().size(), 1u);
    EXPECT_EQ(state.figures.missesByKey().front(), std::make_pair(U'c', 1));
    random.push({phraseValue(69)});
    for (QChar c : keys.mid(3))
        judge.keyPress(QString(c));
    EXPECT_EQ(judge.phraseCount(), 1);
    EXPECT_EQ(state.figures.rightKeys(), keys.size());
    EXPECT_EQ(state.figures.keys(), keys.size() + 1);
    EXPECT_EQ(notices.size(), 1); // the second phrase the table cannot spell says nothing
    EXPECT_EQ(media.count("play \"music\\miss.wav\""), 1);
}
