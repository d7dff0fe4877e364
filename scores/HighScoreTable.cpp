#include "scores/HighScoreTable.h"

#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/TextFile.h"
#include "scores/TableJournal.h"

#include <QLocale>

#include <cmath>

HighScoreTable HighScoreTable::fromLines(const QStringList& scoreLines,
                                         const QStringList& nameLines) {
    HighScoreTable table;
    for (int i = 0; i < Places; ++i) {
        if (i < scoreLines.size()) {
            table.m_scores[i] = scoreLines.at(i);
            table.m_values[i] = valueOf(scoreLines.at(i), i + 1);
        }
        if (i < nameLines.size())
            table.m_names[i] = nameLines.at(i);
    }
    return table;
}

std::optional<double> HighScoreTable::valueOf(const QString& line, int lineNo) {
    const QString text = line.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // The player's own conventions first, so a table edited by hand with digit grouping
    // ("1,000") still reads; the plain form the game writes is always understood.
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = text.toDouble(&ok);
    // toDouble also takes "inf" and "nan", which no score can be.
    if (!ok || !std::isfinite(value))
        throw FileError(QStringLiteral("ファイル「%1」の%2行目「%3」は点数ではありません。")
                            .arg(ScorePath)
                            .arg(lineNo)
                            .arg(TextFile::shortened(line)));
    return value;
}

QStringList HighScoreTable::readLines(const QString& gamePath) {
    TableJournal::complete();
    return TextFile::readLines(gamePath);
}

HighScoreTable HighScoreTable::load() {
    TableJournal::complete();
    const QStringList scores = TextFile::readLines(ScorePath);
    const QStringList names = TextFile::readLines(NamePath);
    return fromLines(scores, names);
}

int HighScoreTable::tensave(int32_t score) {
    for (int place = 1; place <= Places; ++place) {
        const auto& value = m_values[place - 1];
        if (value && static_cast<double>(score) < *value)
            continue;
        for (int i = Places - 1; i >= place; --i) {
            m_scores[i] = m_scores[i - 1];
            m_values[i] = m_values[i - 1];
        }
        m_scores[place - 1] = QString::number(score);
        m_values[place - 1] = score;
        return place;
    }
    return 0;
}

void HighScoreTable::insertName(int place, const QString& name) {
    for (int i = Places - 1; i >= place; --i)
        m_names[i] = m_names[i - 1];
    m_names[place - 1] = name;
}

int HighScoreTable::registerEntry(int32_t score, const QString& name) {
    TableJournal::complete();
    const QStringList scores = TextFile::readLines(ScorePath);
    const TextFile::Lines names = TextFile::read(NamePath);
    HighScoreTable table = fromLines(scores, names.lines);
    // The place comes from the score file as it is now, and the name goes to the same place,
    // so the two files cannot drift apart even if the table changed since the rank check.
    const int place = table.tensave(score);
    if (place == 0)
        return 0;
    // A name the reader would refuse as too long would lock the player out of the whole table.
    if (TextFile::characterCount(name) > TextFile::MaxLineChars)
        throw FileError(
            QStringLiteral("名前が長すぎます（%1文字まで）。ファイル「%2」は変更していません。")
                .arg(TextFile::MaxLineChars)
                .arg(NamePath));
    // Written back as UTF-8, the names of a file that mixes encodings would turn to mojibake
    // for good; the player can still mend the file by hand.
    if (!names.cleanlyDecoded)
        throw FileError(QStringLiteral("ファイル「%1」の名前が UTF-8 とも Shift-JIS とも読めない"
                                       "ため、書き換えません。登録はしていません。")
                            .arg(NamePath));
    table.insertName(place, name);
    const QString crlf = QStringLiteral("\r\n");
    TableJournal::commit({{NamePath, DurableFile::encode(table.nameFileText() + crlf)},
                          {ScorePath, DurableFile::encode(table.scoreFileText() + crlf)}});
    return place;
}

static QString joinLines(const std::array<QString, HighScoreTable::Places>& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QString HighScoreTable::scoreFileText() const {
    return joinLines(m_scores);
}

QString HighScoreTable::nameFileText() const {
    return joinLines(m_names);
}
