#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// The five places of the high-score table as its two files hold them: each place's score text
// exactly as read, so an entry that moves down keeps its text, and the name beside it.
//
// A vacant place (the file has fewer than five lines, or the score line is empty or blank) is
// written as an empty line in both files; an empty score line reads back as vacant, so a table
// with vacancies survives a write unchanged. Any score, however low, takes a vacant place.
class HighScoreTable {
public:
    static constexpr int Places = 5;
    static inline const QString ScorePath = QStringLiteral("system\\Hiscore.aty");
    static inline const QString NamePath = QStringLiteral("system\\Hiscorep.aty");

    // Lines past the fifth (the trailing empty line among them) are ignored. Throws FileError
    // naming the score file and the line when a score is not a number.
    static HighScoreTable fromLines(const QStringList& scoreLines, const QStringList& nameLines);

    // The value a score line stands for: none for a vacant place. lineNo only names the line in
    // the FileError thrown for text that is not a number.
    static std::optional<double> valueOf(const QString& line, int lineNo);

    // Every reading of the table completes an interrupted registration first, so the two files
    // it sees always agree. Throw FileError.
    static QStringList readLines(const QString& gamePath);
    static HighScoreTable load();

    // Puts the score at the first place whose entry it equals or beats (so a newer score stands
    // above an equal one); the old fifth entry drops out. Returns the place, 0 when it has none.
    int tensave(int32_t score);
    // Puts the name at `place` (1..5); the names from there down move one place, the fifth drops.
    void insertName(int place, const QString& name);

    // Registers a finished round: both files are read and checked, and both new contents go
    // through the table's journal, so the two are replaced together or not at all, a crash
    // included. Returns the place taken (0: none, nothing written). Throws FileError.
    static int registerEntry(int32_t score, const QString& name);

    // File contents without the final line end that TextFile::write adds: the five entries,
    // each followed by CR LF.
    QString scoreFileText() const;
    QString nameFileText() const;

    const QString& scoreText(int place) const { return m_scores.at(place - 1); }
    const QString& name(int place) const { return m_names.at(place - 1); }

private:
    std::array<QString, Places> m_scores;
    std::array<std::optional<double>, Places> m_values;
    std::array<QString, Places> m_names;
};
