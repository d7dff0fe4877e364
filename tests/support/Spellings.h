#pragma once

#include "phrases/PhraseCatalogue.h"
#include "settings/VariantTable.h"

#include <QString>

#include <functional>

// The variant table with group g on spelling choiceOf(g) (0 = A, 1 = B).
VariantTable spellingTable(const std::function<int(int)>& choiceOf);
// Every group on the same spelling (0 = A, 1 = B).
VariantTable tableWith(int choice);

// What a player who spells every kana as `typing` says types for a phrase drawn under
// `chosen`. ん as a lone "n" is kept away from a following vowel, y or n (it would read as
// another kana there), and a closing ん takes the chosen spelling's length.
QString spellPhrase(const PhrasePieces& pieces, const VariantTable& typing,
                    const VariantTable& chosen);
