#pragma once

#include "phrases/PhraseCatalogue.h"

#include <QString>

#include <vector>

class VariantTable;

// Follows the player's keys through a phrase that may be spelt in several ways: a small
// automaton over the phrase's pieces, where a fixed piece has one spelling and a variable kana
// has the player's chosen spelling and, when both spellings are accepted, the other one of its
// group too. It knows which keys are right, when the phrase is done, and what is left to type
// in the spelling the player is following.
class SpellingMatcher {
public:
    // With acceptBoth off every kana has only the table's spelling, as in the plain judge.
    SpellingMatcher(const PhrasePieces& pieces, const VariantTable& chosen, bool acceptBoth);

    // One typed character. True when it continues at least one way of spelling the phrase;
    // a wrong key changes nothing.
    bool feed(const QString& key);
    // The typed text is a complete spelling of the phrase.
    bool complete() const;
    // The rest of the phrase: the way begun at the kana in progress, the chosen spelling
    // after it; empty once complete.
    QString rest() const;
    // The whole phrase in the chosen spelling (what the plain judge would show).
    QString chosenText() const;

private:
    struct Slot {
        std::vector<QString> ways; // ways[0] is the chosen spelling
    };
    // Being `pos` characters into way `way` of slot `slot`; slot == size() is the end.
    // `cost` counts the kana spelt otherwise than chosen on the way here, so the guide can
    // prefer the reading closest to the player's own settings.
    struct State {
        std::size_t slot;
        std::size_t way;
        qsizetype pos;
        int cost;
    };

    void addState(std::vector<State>& states, State state) const;
    const State* guideState() const;

    std::vector<Slot> m_slots;
    std::vector<State> m_states;
};
