#include "phrases/PhrasePack.h"

#include "stats/PracticeWeights.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "core/RandomSource.h"
#include "core/TextFile.h"

#include <QFileInfo>

namespace {

// Characters as the player counts them: a pair of surrogates is one.
qsizetype characterCount(QStringView text) {
    qsizetype n = 0;
    for (QChar c : text)
        n += c.isLowSurrogate() ? 0 : 1;
    return n;
}

// The character at `at` for a message, with its code so that an invisible one can be found.
QString describe(QStringView text, qsizetype at) {
    const bool pair = text[at].isHighSurrogate() && at + 1 < text.size();
    const char32_t code =
        pair ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
    const QString shown =
        text[at].isPrint() || pair ? text.mid(at, pair ? 2 : 1).toString() : QString();
    return QStringLiteral("「%1」（U+%2）").arg(shown).arg(code, 4, 16, QLatin1Char('0')).toUpper();
}

[[noreturn]] void fail(const QString& gamePath, int line, const QString& why) {
    throw FileError(
        QStringLiteral("フレーズ集「%1」の %2 行目：%3。").arg(gamePath).arg(line).arg(why));
}

} // namespace

std::shared_ptr<const PhrasePack> PhrasePack::loadForRound(ErrorReporter& errors,
                                                           const QString& gamePath) {
    // No pack is no message; a link to a pack that is gone is the player's to hear about.
    const QFileInfo info(TextFile::hostPath(gamePath));
    if (!info.exists() && !info.isSymLink())
        return nullptr;
    try {
        return std::make_shared<const PhrasePack>(read(gamePath));
    } catch (const FileError& e) {
        errors.warn(e.message() + QStringLiteral("\n内蔵のフレーズで遊びます。"));
        return nullptr;
    }
}

PhrasePack PhrasePack::read(const QString& gamePath) {
    // Our own file: larger than the original files may be, and LF line ends are line ends too.
    return fromLines(TextFile::readLines(gamePath, {MaxFileBytes, true}), gamePath);
}

PhrasePack PhrasePack::fromLines(const QStringList& lines, const QString& gamePath) {
    PhrasePack pack;
    pack.m_entries.reserve(static_cast<std::size_t>(std::min<qsizetype>(lines.size(), MaxPhrases)));
    int number = 0;
    for (const QString& crLine : lines) {
        // Our own file, so a pack saved with LF line ends is read line by line as well.
        if (!crLine.contains(QLatin1Char('\n'))) {
            pack.addLine(crLine, ++number, gamePath);
            continue;
        }
        for (QStringView line : QStringView(crLine).split(QLatin1Char('\n')))
            pack.addLine(line, ++number, gamePath);
    }
    if (pack.m_entries.empty())
        throw FileError(
            QStringLiteral("フレーズ集「%1」にフレーズがひとつもありません。").arg(gamePath));
    return pack;
}

void PhrasePack::addLine(QStringView line, int number, const QString& gamePath) {
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
        return;
    if (size() == MaxPhrases)
        fail(gamePath, number, QStringLiteral("フレーズが %1 個を超えています").arg(MaxPhrases));
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        fail(gamePath, number,
             QStringLiteral("タブがありません（表示する文とよみをタブで区切ってください）"));
    if (line.indexOf(QLatin1Char('\t'), tab + 1) >= 0)
        fail(gamePath, number, QStringLiteral("タブが 2 つ以上あります"));
    const QStringView text = line.left(tab).trimmed();
    const QStringView reading = line.mid(tab + 1).trimmed();
    if (text.isEmpty())
        fail(gamePath, number, QStringLiteral("表示する文が空です"));
    if (reading.isEmpty())
        fail(gamePath, number, QStringLiteral("よみが空です"));
    if (const qsizetype n = characterCount(text); n > MaxTextLength)
        fail(gamePath, number,
             QStringLiteral("表示する文が %1 文字あります（%2 文字まで）")
                 .arg(n)
                 .arg(MaxTextLength));
    if (const qsizetype n = characterCount(reading); n > MaxReadingLength)
        fail(gamePath, number,
             QStringLiteral("よみが %1 文字あります（%2 文字まで）").arg(n).arg(MaxReadingLength));
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() < 0x20 || text[i].unicode() == 0x7F)
            fail(gamePath, number,
                 QStringLiteral("表示する文に使えない文字%1があります").arg(describe(text, i)));
    qsizetype unknownAt = 0;
    std::optional<KanaSpeller::Reading> parts = KanaSpeller::parse(reading, &unknownAt);
    if (!parts)
        fail(gamePath, number,
             QStringLiteral("よみに使えない文字%1があります（ひらがな・カタカナ・英数字と"
                            "記号で書いてください）")
                 .arg(describe(reading, unknownAt)));
    m_entries.push_back({text.toString(), reading.toString(), std::move(*parts)});
}

Phrase PhrasePack::phrase(int number, const VariantTable& table) const {
    const Entry& entry = m_entries.at(static_cast<std::size_t>(number - 1));
    PhrasePieces pieces = KanaSpeller::spell(entry.reading, table);
    QString romaji = KanaSpeller::join(pieces, table);
    return {number, entry.text, std::move(romaji), std::move(pieces), entry.readingText};
}

Phrase PhrasePack::draw(RandomSource& random, const VariantTable& table) const {
    random.reseed();
    const int count = size();
    int number = static_cast<int>(random.next() * static_cast<float>(count));
    if (number > count - 1)
        number = count - 1; // r * size rounded up in single precision
    if (number <= 0)
        number = count; // a draw of 0 stands for the last phrase, as 0 stands for phrase 100
    return phrase(number, table);
}

Phrase PhrasePack::draw(RandomSource& random, const VariantTable& table,
                        const std::vector<double>& weights) const {
    if (weights.size() != m_entries.size())
        return draw(random, table);
    random.reseed();
    return phrase(random.pick(weights) + 1, table);
}

std::vector<double> PhrasePack::weights(const VariantTable& table,
                                        const std::vector<char32_t>& weak, bool kana) const {
    std::vector<double> out;
    out.reserve(m_entries.size());
    for (int number = 1; number <= size(); ++number) {
        const Phrase p = phrase(number, table);
        out.push_back(PracticeWeights::phraseWeight(kana ? p.reading : p.romaji, weak));
    }
    return out;
}
