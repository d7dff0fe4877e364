// The high-score table on any pair of files and any finished round: load, rank check, register,
// write, read back and compare place by place. The input is four bytes of score, then the score
// file, the name file and the typed name, separated by NUL bytes. The same bytes, whole, are
// also tried as a journal.
#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/TextFile.h"
#include "scores/HighScoreTable.h"
#include "scores/RankCheck.h"
#include "scores/TableJournal.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

void tryAsJournal(const QByteArray& bytes) {
    // Whatever decodes was written by encode(): a damaged journal is never half believed.
    if (const auto entries = TableJournal::decode(bytes))
        FUZZ_CHECK(TableJournal::encode(*entries) == bytes);
}

// Scores from best to worst, a vacant place counting as the lowest: the order the game keeps.
bool descending(const QStringList& scoreLines) {
    double previous = std::numeric_limits<double>::infinity();
    for (int i = 0; i < HighScoreTable::Places; ++i) {
        const auto value =
            i < scoreLines.size() ? HighScoreTable::valueOf(scoreLines.at(i), i + 1) : std::nullopt;
        const double v = value ? *value : -std::numeric_limits<double>::infinity();
        if (v > previous)
            return false;
        previous = v;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tryAsJournal(all);
    if (size < 4)
        return 0;
    int32_t score = 0;
    std::memcpy(&score, data, 4);
    const QList<QByteArray> parts = all.sliced(4).split('\0');
    if (parts.size() < 3)
        return 0;

    QStringList scoreLines;
    HighScoreTable table;
    try {
        scoreLines = TextFile::linesOf(parts[0], HighScoreTable::ScorePath);
        table = HighScoreTable::fromLines(scoreLines,
                                          TextFile::linesOf(parts[1], HighScoreTable::NamePath));
    } catch (const FileError& e) {
        FUZZ_CHECK(TextFile::characterCount(e.message()) < 200);
        return 0;
    }

    int16_t newRank = -1;
    RankCheck check;
    check.tenmi(scoreLines, static_cast<double>(score), newRank);
    FUZZ_CHECK(newRank >= -1 && newRank <= HighScoreTable::Places);

    HighScoreTable registered = table;
    const int place = registered.tensave(score);
    if (descending(scoreLines))
        FUZZ_CHECK(place == (newRank < 0 ? 0 : newRank));
    if (place == 0)
        return 0;
    // The name box holds one line within the longest line a table file may have.
    QString name = QString::fromUtf8(parts[2]);
    name.remove(QLatin1Char('\r'));
    if (TextFile::characterCount(name) > TextFile::MaxLineChars)
        return 0;
    registered.insertName(place, name);

    const QString crlf = QStringLiteral("\r\n");
    const QByteArray scoreFile = DurableFile::encode(registered.scoreFileText() + crlf);
    const QByteArray nameFile = DurableFile::encode(registered.nameFileText() + crlf);
    const HighScoreTable reread =
        HighScoreTable::fromLines(TextFile::linesOf(scoreFile, HighScoreTable::ScorePath),
                                  TextFile::linesOf(nameFile, HighScoreTable::NamePath));
    for (int p = 1; p <= HighScoreTable::Places; ++p) {
        FUZZ_CHECK(reread.scoreText(p) == registered.scoreText(p));
        FUZZ_CHECK(reread.name(p) == registered.name(p));
        // Places above the new one stay, the ones below move down by one.
        const int from = p < place ? p : p - 1;
        if (p != place) {
            FUZZ_CHECK(reread.scoreText(p) == table.scoreText(from));
            FUZZ_CHECK(reread.name(p) == table.name(from));
        }
    }
    FUZZ_CHECK(reread.scoreText(place) == QString::number(score));
    FUZZ_CHECK(reread.name(place) == name);

    const std::vector<TableJournal::Entry> entries = {{HighScoreTable::NamePath, nameFile},
                                                      {HighScoreTable::ScorePath, scoreFile}};
    const auto decoded = TableJournal::decode(TableJournal::encode(entries));
    FUZZ_CHECK(decoded && *decoded == entries);
    return 0;
}
