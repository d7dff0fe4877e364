#pragma once

#include "settings/VariantTable.h"

#include <QString>

#include <optional>
#include <variant>
#include <vector>

class RandomSource;

// One piece of a phrase's romaji: fixed text, or the current spelling of a variable kana.
using RomajiPiece = std::variant<const char*, Kana>;

struct PhraseRow {
    int number;
    const char* text;                         // shown in mon
    const char* reading;                      // kana, with ASCII and signs as written
    std::vector<RomajiPiece> romaji;          // joined into Q
    std::vector<RomajiPiece> romajiOtherwise; // row 69 only: used unless ちゃ is "tya"
};

// One piece of a drawn phrase: fixed romaji, or a variable kana that the table spells.
struct PhrasePiece {
    QString fixed;
    std::optional<Kana> kana;
};
using PhrasePieces = std::vector<PhrasePiece>;

// A phrase drawn for the round: its number, Japanese text and romaji to type, the pieces the
// romaji was joined from (for judges that know other spellings of the variable kana), and its
// reading (for judges that follow the keys as an input method converts them).
struct Phrase {
    int number = 0;
    QString text;
    QString romaji;
    PhrasePieces pieces;
    QString reading;
};

// The 100 built-in gag phrases and the romaji builder.
class PhraseCatalogue {
public:
    static constexpr int Size = 100;

    static const PhraseRow& row(int number); // 1..100
    // Joins the row's pieces with the table's current spellings (unset entries vanish).
    static QString romaji(int number, const VariantTable& table);
    // The pieces that romaji() joins, with row 69's choice already made.
    static PhrasePieces pieces(int number, const VariantTable& table);
    // The phrase's reading: kana, with the ASCII and signs the romaji types as written.
    static QString reading(int number);
    // Reseeds, draws floor(r * 100) with 0 standing for 100, and builds that phrase.
    static Phrase draw(RandomSource& random, const VariantTable& table);
    // Reseeds and draws phrase i + 1 with weights[i] (100 weights) from the same one value.
    static Phrase draw(RandomSource& random, const VariantTable& table,
                       const std::vector<double>& weights);
    // Each phrase's weight for the weak-key draw, from the weak characters its romaji holds (its
    // reading when the player types kana).
    static std::vector<double> weights(const VariantTable& table, const std::vector<char32_t>& weak,
                                       bool kana = false);
};
