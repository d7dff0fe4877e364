#include "phrases/PhrasePack.h"
#include "core/FileError.h"
#include "round/RoundJudge.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"
#include "tests/support/Spellings.h"
#include "tests/support/TempWorkDir.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const QString Path = QStringLiteral("system\\phrases.txt");

// The message a broken pack gives, or "" when it reads; the player's folder reads "~".
std::string faultOf(const QByteArray& bytes) {
    TempWorkDir dir;
    dir.writeBytes(QStringLiteral("system/phrases.txt"), bytes);
    try {
        PhrasePack::read(Path);
    } catch (const FileError& e) {
        return QString(e.message())
            .replace(QDir::currentPath() + QLatin1Char('/'), QStringLiteral("~/"))
            .toStdString();
    }
    return "";
}

// n phrases "語k<TAB>かk" for k = 1..n, the reading spelt "kak" under any setting.
QByteArray numberedPack(int n) {
    QByteArray bytes;
    bytes.reserve(n * 20);
    for (int k = 1; k <= n; ++k)
        bytes += QStringLiteral("語%1\tか%1\r\n").arg(k).toUtf8();
    return bytes;
}

} // namespace

// A pack as a player writes it: comments, blank lines, blanks around the fields, CR LF, LF and
// CR line ends, katakana and ASCII; each phrase spelt under the settings in force, and the
// file left exactly as it was.
TEST(PhrasePack, readsAPlayersPackAndSpellsItUnderTheSettings) {
    TempWorkDir dir;
    const QByteArray bytes =
        "# my pack\r\n"
        "\r\n"
        "\xE6\x9C\x88\xE8\xA6\x8B\t\xE3\x81\xA4\xE3\x81\x8D\xE3\x81\xBF\r\n" // 月見	つきみ
        "   \n"
        " C++ \t C++\xE3\x81\xA7\xE3\x81\x97\xE3\x82\x87 \n" // C++	C++でしょ
        "\xE3\x82\xB7\xE3\x83\xA3\xE3\x83\x84\t\xE3\x82\xB7\xE3\x83\xA3\xE3\x83\x84\r" // シャツ
                                                                                       // シャツ
        "#\tcomment with a tab\n";
    dir.writeBytes(QStringLiteral("system/phrases.txt"), bytes);
    RecordingErrors errors;
    const auto pack = PhrasePack::loadForRound(errors);
    ASSERT_TRUE(pack);
    EXPECT_TRUE(errors.warnings.isEmpty());
    ASSERT_EQ(pack->size(), 3);
    const VariantTable a = tableWith(0), b = tableWith(1);
    EXPECT_EQ(pack->phrase(1, a).text, "月見");
    EXPECT_EQ(pack->phrase(1, a).romaji, "tukimi");
    EXPECT_EQ(pack->phrase(1, b).romaji, "tsukimi");
    EXPECT_EQ(pack->phrase(2, a).text, "C++");
    EXPECT_EQ(pack->phrase(2, a).romaji, "C++desyo");
    EXPECT_EQ(pack->phrase(2, b).romaji, "C++desho");
    EXPECT_EQ(pack->phrase(3, b).romaji, "shatsu");
    EXPECT_EQ(pack->phrase(3, b).number, 3);
    // The pieces carry the variable kana for a judge that knows both spellings.
    const PhrasePieces pieces = pack->phrase(1, a).pieces;
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].kana, Kana::Tsu);
    EXPECT_EQ(pieces[1].fixed, "kimi");
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/phrases.txt")), bytes);

    // Shift-JIS, as the other files may be written.
    QStringEncoder sjis("Shift_JIS");
    ASSERT_TRUE(sjis.isValid());
    dir.writeBytes(QStringLiteral("system/phrases.txt"),
                   sjis.encode(QStringLiteral("茶\tちゃ\r\n")));
    EXPECT_EQ(PhrasePack::read(Path).phrase(1, b).romaji, "cha");

    // No file: the built-in phrases, and nothing said.
    QFile::remove(dir.path(QStringLiteral("system/phrases.txt")));
    EXPECT_FALSE(PhrasePack::loadForRound(errors));
    EXPECT_TRUE(errors.warnings.isEmpty());
}

// Every fault a player can make names the file, the line (counted over blank and comment lines
// and over all three kinds of line end) and the reason; the limits are inclusive.
TEST(PhrasePack, everyFaultNamesTheFileTheLineAndTheReason) {
    // Our own file is named where it really is, with "/", so the player can find it.
    const std::string file = "フレーズ集「~/system/phrases.txt」";
    const QByteArray ok = "# ok\r\nあ\tあ\n";
    EXPECT_EQ(faultOf(ok + "いい\r\n"),
              file + "の 3 行目：タブがありません（表示する文とよみをタブで区切ってください）。");
    EXPECT_EQ(faultOf(ok + "\r\nい\tい\tい\r"), file + "の 4 行目：タブが 2 つ以上あります。");
    EXPECT_EQ(faultOf(ok + " \tい"), file + "の 3 行目：表示する文が空です。");
    EXPECT_EQ(faultOf(ok + "\tい"), file + "の 3 行目：表示する文が空です。"); // the tab first
    EXPECT_EQ(faultOf(ok + "い\t  "), file + "の 3 行目：よみが空です。");
    EXPECT_EQ(faultOf(ok + "い\t\xE3\x80\x80"),
              file + "の 3 行目：よみが空です。"); // full-width blank
    EXPECT_EQ(faultOf(ok + "い\tかん字"),
              file + "の 3 行目：よみに使えない文字「字」（U+5B57）があります"
                     "（ひらがな・カタカナ・英数字と記号で書いてください）。");
    EXPECT_EQ(faultOf(ok + "い\x01\tい"),
              file + "の 3 行目：表示する文に使えない文字「」（U+0001）があります。");

    const QByteArray forty = QString(40, QChar(u'長')).toUtf8();
    const QByteArray eighty = QString(80, QChar(u'あ')).toUtf8();
    EXPECT_EQ(faultOf(forty + "\t" + eighty), "");
    EXPECT_EQ(faultOf(ok + forty + "x\tい"),
              file + "の 3 行目：表示する文が 41 文字あります（40 文字まで）。");
    EXPECT_EQ(faultOf(ok + "い\t" + eighty + "a"),
              file + "の 3 行目：よみが 81 文字あります（80 文字まで）。");
    // A character beyond the 16-bit range counts once.
    EXPECT_EQ(faultOf(QString(39, QChar(u'長')).toUtf8() + "\xF0\x9F\x8D\xA3\tすし"), "");

    EXPECT_EQ(faultOf(numberedPack(10'000)), "");
    EXPECT_EQ(faultOf("#\r\n" + numberedPack(10'001)),
              file + "の 10002 行目：フレーズが 10000 個を超えています。");
    EXPECT_EQ(faultOf(numberedPack(10'000) + "# more to come\r\n\r\n"), "");

    // A full pack at the length limits is several MiB, more than the original files may be,
    // and LF line ends do not make it one long line; past 8 MiB it is refused like them.
    QByteArray full;
    for (int k = 0; k < 10'000; ++k)
        full += forty + "\t" + eighty + "\n";
    ASSERT_GT(full.size(), 3 * 1024 * 1024);
    EXPECT_EQ(faultOf(full), "");
    EXPECT_EQ(faultOf("#" + QByteArray(8 * 1024 * 1024, 'x')),
              "ファイル「~/system/phrases.txt」の1行目が長すぎます（ファイルは8 MiBまで）。");

    EXPECT_EQ(faultOf("# nothing yet\r\n\r\n"), file + "にフレーズがひとつもありません。");
    EXPECT_EQ(faultOf(""), file + "にフレーズがひとつもありません。");

    // Unreadable: the round still plays, on the built-in phrases, after one message.
    TempWorkDir dir;
    QFile::remove(dir.path(QStringLiteral("system/phrases.txt")));
    QDir(dir.path(QStringLiteral("system"))).mkdir(QStringLiteral("phrases.txt"));
    RecordingErrors errors;
    EXPECT_FALSE(PhrasePack::loadForRound(errors));
    ASSERT_EQ(errors.warnings.size(), 1);
    EXPECT_TRUE(errors.warnings[0].contains(QDir::currentPath() + "/system/phrases.txt"))
        << errors.warnings[0].toStdString();
    EXPECT_TRUE(errors.warnings[0].endsWith("内蔵のフレーズで遊びます。"));
    EXPECT_FALSE(errors.failed());
}

// The draw is the built-in one scaled to the pack: reseeded on every call, floor(r * size), a 0
// standing for the last phrase, and every phrase once over one value in each of its intervals.
TEST(PhrasePack, drawsUniformlyOverPacksOfOneAndOfTenThousand) {
    TempWorkDir dir;
    const VariantTable a = tableWith(0);
    dir.writeBytes(QStringLiteral("system/phrases.txt"), numberedPack(1));
    const PhrasePack one = PhrasePack::read(Path);
    ScriptedRandom random;
    random.push({0.0f, 0.5f, 0.99999994f});
    for (int i = 0; i < 3; ++i) {
        const Phrase p = one.draw(random, a);
        EXPECT_EQ(p.number, 1);
        EXPECT_EQ(p.text, "語1");
        EXPECT_EQ(p.romaji, "ka1");
    }
    EXPECT_EQ(random.reseeds, 3);

    dir.writeBytes(QStringLiteral("system/phrases.txt"), numberedPack(10'000));
    const PhrasePack big = PhrasePack::read(Path);
    ASSERT_EQ(big.size(), 10'000);
    std::vector<int> seen(10'001, 0);
    for (int k = 0; k < 10'000; ++k) {
        random.pushDraw(k, 0, 10'000);
        const Phrase p = big.draw(random, a);
        ++seen[p.number];
        EXPECT_EQ(p.text, QStringLiteral("語%1").arg(p.number));
    }
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), 10'000);
    random.push({0.0f, 0.99999994f, 0.00015f, 0.5f});
    EXPECT_EQ(big.draw(random, a).number, 10'000);
    EXPECT_EQ(big.draw(random, a).number, 9'999);
    EXPECT_EQ(big.draw(random, a).number, 1);
    EXPECT_EQ(big.draw(random, a).number, 5'000);
    EXPECT_EQ(random.reseeds, 3 + 10'004);
}

// With a pack the round's pick comes from it, in the spelling in force; without one the
// built-in catalogue answers as before.
TEST(PhrasePack, theRoundDrawsFromThePackWhenItHasOne) {
    TempWorkDir dir;
    dir.writeBytes(QStringLiteral("system/phrases.txt"), "茶\tおちゃ\r\n湯\tゆ\r\n");
    ProgramState state;
    VariantTable variants = tableWith(1);
    ScriptedRandom random;
    RecordingMedia media;
    RoundJudge judge(state, variants, random, media);
    judge.usePack(std::make_shared<const PhrasePack>(PhrasePack::read(Path)));
    random.push({0.75f}); // floor(0.75 * 2) = 1
    judge.MonSel();
    EXPECT_EQ(judge.monText(), "茶");
    EXPECT_EQ(judge.romaji(), "ocha");
    EXPECT_EQ(judge.phraseNumber(), 1);
    // The judges that follow the reading get it as written, trimmed.
    EXPECT_EQ(PhrasePack::fromLines({"茶\t おちゃ "}, "p").phrase(1, VariantTable()).reading,
              "おちゃ");
    judge.usePack(nullptr);
    random.push({0.0f});
    judge.MonSel();
    EXPECT_EQ(judge.monText(), "かすていら");
}

// The sample pack we ship reads without a fault and every phrase is spelt as written out by hand
// in tests/data/sample-phrases-expected.tsv under spelling A, spelling B and no selection. Its
// phrases are our own, none a copy of a built-in one.
TEST(PhrasePack, theSamplePackSpellsAsWrittenOutByHand) {
    const PhrasePack pack =
        PhrasePack::read(QStringLiteral(KAZAMINA_SOURCE_DIR "/data/phrases/sample-phrases.txt"));
    QFile file(QStringLiteral(KAZAMINA_SOURCE_DIR "/tests/data/sample-phrases-expected.tsv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    ASSERT_EQ(lines.takeFirst(), "number\tA\tB\tnone");
    ASSERT_EQ(pack.size(), 20);
    ASSERT_EQ(lines.size(), pack.size());
    const VariantTable tables[] = {tableWith(0), tableWith(1), VariantTable()};
    for (int n = 1; n <= pack.size(); ++n) {
        const QStringList expected = lines[n - 1].split(QLatin1Char('\t'));
        ASSERT_EQ(expected.size(), 4);
        ASSERT_EQ(expected[0].toInt(), n);
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(pack.phrase(n, tables[s]).romaji.toStdString(), expected[s + 1].toStdString())
                << "phrase " << n << ", setting " << s;
        for (int row = 1; row <= PhraseCatalogue::Size; ++row)
            EXPECT_NE(pack.phrase(n, tables[0]).text,
                      QString::fromUtf8(PhraseCatalogue::row(row).text));
    }
}

// Every printable ASCII character, the signs 、。ー and a character outside the BMP, inside a
// phrase's text, come back from the file as written, whether the pack is saved with CR LF, LF or
// a start mark; and in the reading, each character the speller takes is typed as itself. Catches
// a character taken for a separator, a comment or a line end inside a line, and a mark read as
// part of the first phrase.
TEST(PhrasePack, everyCharacterOfALineRoundTripsThroughThePack) {
    QStringList texts;
    for (char16_t c = 0x21; c <= 0x7E; ++c)
        texts << QStringLiteral("x%1x").arg(QChar(c));
    texts << QStringLiteral("、。ー") << QStringLiteral("a b")
          << QString::fromUcs4(U"\U0001F600月");
    QStringList readings;
    for (char16_t c = 0x21; c <= 0x7E; ++c)
        if (KanaSpeller::parse(QStringLiteral("あ%1").arg(QChar(c))))
            readings << QStringLiteral("あ%1").arg(QChar(c));
    ASSERT_GE(readings.size(), 62); // letters and digits at least
    const VariantTable table = tableWith(0);
    for (const char* end : {"\r\n", "\n", "\r"}) {
        for (const bool mark : {false, true}) {
            QString file;
            for (const QString& text : texts)
                file += text + QStringLiteral("\tあ") + QLatin1String(end);
            for (const QString& reading : readings)
                file += QStringLiteral("r\t") + reading + QLatin1String(end);
            QByteArray bytes = file.toUtf8();
            if (mark)
                bytes.prepend("\xEF\xBB\xBF");
            TempWorkDir dir;
            dir.writeBytes(QStringLiteral("system/phrases.txt"), bytes);
            const PhrasePack pack = PhrasePack::read(Path);
            ASSERT_EQ(pack.size(), texts.size() + readings.size()) << end << mark;
            for (int i = 0; i < texts.size(); ++i)
                EXPECT_EQ(pack.phrase(i + 1, table).text, texts[i]) << end << mark;
            for (int i = 0; i < readings.size(); ++i) {
                const Phrase p = pack.phrase(int(texts.size()) + i + 1, table);
                EXPECT_TRUE(p.romaji.endsWith(readings[i].back())) << qPrintable(p.romaji);
            }
        }
    }
}
