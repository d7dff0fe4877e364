#pragma once

#include "phrases/KanaSpeller.h"
#include "phrases/PhraseCatalogue.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class ErrorReporter;
class RandomSource;
class VariantTable;

// A player's own phrases: a text file of "display text<TAB>kana reading" lines, spelt in the
// player's romaji at each draw. The game only ever reads the file.
class PhrasePack {
public:
    static constexpr int MaxPhrases = 10'000;
    // Room for 10,000 phrases at the length limits, with comments.
    static constexpr qsizetype MaxFileBytes = 8 * 1024 * 1024;
    static constexpr int MaxTextLength = 40;    // characters; longer would not fit mon
    static constexpr int MaxReadingLength = 80; // characters
    static inline const QString DefaultPath = QStringLiteral("system\\phrases.txt");

    // The pack the round draws from: null when the file does not exist, and also when it has an
    // error, after telling the player (the round then plays the built-in phrases).
    static std::shared_ptr<const PhrasePack> loadForRound(ErrorReporter& errors,
                                                          const QString& gamePath = DefaultPath);

    // Reads and checks the whole file; throws FileError naming the file, the line and the fault.
    static PhrasePack read(const QString& gamePath);
    // The same checks on lines already read; lines end at CR, CR LF or LF.
    static PhrasePack fromLines(const QStringList& lines, const QString& gamePath);

    int size() const { return static_cast<int>(m_entries.size()); }
    // Phrase 1..size() spelt under the table.
    Phrase phrase(int number, const VariantTable& table) const;
    // Reseeds, draws floor(r * size()) with 0 standing for the last phrase, and builds it: the
    // built-in catalogue's draw over the pack's size.
    Phrase draw(RandomSource& random, const VariantTable& table) const;
    // Reseeds and draws phrase i + 1 with weights[i] (size() weights) from the same one value.
    Phrase draw(RandomSource& random, const VariantTable& table,
                const std::vector<double>& weights) const;
    // Each phrase's weight for the weak-key draw, from the weak characters its romaji holds (its
    // reading when the player types kana).
    std::vector<double> weights(const VariantTable& table, const std::vector<char32_t>& weak,
                                bool kana = false) const;

private:
    // Checks one line of the file (numbered from 1) and keeps its phrase.
    void addLine(QStringView line, int number, const QString& gamePath);

    struct Entry {
        QString text;
        QString readingText;
        KanaSpeller::Reading reading;
    };
    std::vector<Entry> m_entries;
};
