#pragma once

#include "phrases/PhraseCatalogue.h"
#include "settings/VariantTable.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// Spells a kana reading in romaji the way the built-in phrases are spelt: the variable kana in
// the player's spelling, every other kana, sign and ASCII character as the built-in phrases
// write it.
class KanaSpeller {
public:
    // A reading taken apart once, so that spelling it again under other settings is cheap:
    // all its fixed romaji in one string, and the parts in order.
    struct Part {
        enum class Type : unsigned char {
            Fixed,         // the next `length` characters of the fixed romaji
            Variable,      // a variable kana: the table's spelling
            DoubledBefore, // small っ before a variable kana: the first letter of its spelling
        };
        Type type = Type::Fixed;
        Kana kana = Kana::Count;
        int length = 0;
    };
    struct Reading {
        QString fixed;
        std::vector<Part> parts;
    };

    // The reading's parts, or nothing when it holds a character the speller does not know;
    // unknownAt then receives that character's index.
    static std::optional<Reading> parse(QStringView reading, qsizetype* unknownAt = nullptr);

    // The pieces of the romaji under the table's spellings (an unset entry spells nothing).
    static PhrasePieces spell(const Reading& reading, const VariantTable& table);

    // The romaji that the pieces spell.
    static QString join(const PhrasePieces& pieces, const VariantTable& table);
};
