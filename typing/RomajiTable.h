#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class ErrorReporter;

// A romaji table as an input method reads it: rows of keys, the kana they give and the keys left
// pending, with the conversion of a key buffer that the judges by reading follow.
class RomajiTable {
public:
    static constexpr int MaxRows = 10'000;
    static constexpr int MaxKeys = 8;
    static constexpr int MaxOutput = 4; // characters
    static inline const QString PlayerPath = QStringLiteral("system\\romaji.tsv");
    static inline const QString BuiltInName = QStringLiteral("data/romaji/ime.tsv");

    struct Row {
        std::string keys;
        QString output; // as written
        QString folded; // katakana as hiragana, full-width ASCII as ASCII: what readings match
        std::string pending;
        int line = 0;
    };

    // What a key buffer turns into: the text given so far and the keys still waiting. A dead
    // buffer is one no row can ever take.
    struct Conversion {
        QString folded;
        std::string buffer;
        bool dead = false;
        bool looped = false; // pending keys came back without end
    };

    // Checks every row; throws FileError naming the file, the line and the fault.
    static RomajiTable fromLines(const QStringList& lines, const QString& name);
    // The player's file (UTF-8 or Shift-JIS, any line end), bounded as our other files are.
    static RomajiTable read(const QString& gamePath = PlayerPath);
    // The table the game ships, built into the program.
    static std::shared_ptr<const RomajiTable> builtIn();
    // The player's table for a round: the built-in one, after one message, when it is bad.
    static std::shared_ptr<const RomajiTable> loadForRound(ErrorReporter& errors,
                                                           const QString& gamePath = PlayerPath);

    // Katakana as hiragana and full-width (and half-width bracket) signs as the plain ones.
    static QString fold(QStringView text);

    int size() const { return static_cast<int>(m_rows.size()); }
    const Row& row(int index) const { return m_rows[static_cast<std::size_t>(index)]; }
    // The row with exactly these keys, or -1.
    int exact(std::string_view keys) const;
    // Some row's keys begin with these keys and go on.
    bool extends(std::string_view keys) const;
    // Rows whose folded output begins with this character, in file order.
    const std::vector<int>& rowsBeginning(QChar folded) const;
    // The buffer as the input method leaves it: rows applied where no longer row can follow.
    Conversion convert(std::string buffer) const;

private:
    void index();
    // Some keys typed after these lead to a buffer with nothing left pending.
    bool settles(const std::string& keys, std::set<std::string>& seen) const;

    std::vector<Row> m_rows;
    std::vector<int> m_sortedRows; // by keys, for the prefix searches
    std::vector<std::pair<char16_t, std::vector<int>>> m_byOutput; // sorted by character
};
