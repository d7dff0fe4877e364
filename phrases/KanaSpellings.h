#pragma once

#include "settings/VariantTable.h"

#include <span>

// How a kana (or a kana with the small kana after it) is spelt in romaji: one text that never
// changes, or the player's spelling of a variable kana.
struct KanaSpelling {
    const char16_t* kana; // hiragana, one or two characters
    const char* romaji;   // nullptr for a variable kana
    Kana variable = Kana::Count;
};

// A sign of the phrases that is typed as ASCII text ("。" as ".", "…" as "///").
struct SymbolSpelling {
    char16_t symbol;
    const char* romaji;
};

// The speller's table, written down once: the spellings the built-in phrases use for the kana
// the player cannot choose, and which kana take the player's choice.
class KanaSpellings {
public:
    static std::span<const KanaSpelling> kana();
    static std::span<const SymbolSpelling> symbols();
};
