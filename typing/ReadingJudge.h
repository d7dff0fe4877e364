#pragma once

#include "typing/RomajiTable.h"

#include <QString>

#include <string>
#include <vector>

// Follows the player's keys through a phrase's reading as an input method would convert them
// under a romaji table: a key is right while the keys typed still lead to the reading. Signs and
// ASCII of the reading may also be typed as the game writes them. No window, no clock.
class ReadingJudge {
public:
    // `guide` is the romaji the line shows before the first key (the settings' spelling); when
    // empty the judge spells the reading with the table's first rows.
    ReadingJudge(const QString& reading, const RomajiTable& table, const QString& guide = {});

    // The table can type the whole reading.
    bool spellable() const { return m_ok.front() != 0; }
    // One typed character; a key that leads nowhere is refused and changes nothing.
    bool feed(QChar key);
    // The keys typed so far turn into the whole reading, with nothing left pending.
    bool complete() const;
    // What is left to type: the spelling the player is following for the kana in progress, the
    // guide's spelling after it; empty once complete.
    QString rest() const;
    // The whole phrase as the line shows it before the first key.
    const QString& guide() const { return m_guide; }

private:
    struct State {
        int pos = 0;        // characters of the reading done
        std::string buffer; // keys the table still holds
        int literal = 0;    // characters typed of the sign's written spelling
        bool operator==(const State&) const = default;
    };

    bool matches(int pos, const QString& folded) const;
    // Keys in the buffer, plus some more, can still give the reading from pos on.
    bool feasible(int pos, const std::string& buffer) const;
    bool step(const State& from, QChar key, std::vector<State>& into) const;
    // The keys that spell the reading from pos on, from an empty buffer (for the line).
    QString spellFrom(int pos) const;
    // The keys still to type to finish the kana begun in the buffer and everything after it.
    QString finish(int pos, const std::string& buffer) const;

    const RomajiTable& m_table;
    QString m_reading;              // folded
    std::vector<QString> m_written; // per character: the sign as the game writes it, or empty
    std::vector<char> m_ok;         // from an empty buffer at pos, the rest can be typed
    std::vector<int> m_guideAt;     // per position: where the guide's keys stand there, or -1
    QString m_guide;
    QString m_typed;
    bool m_followsGuide = true; // every key so far was the guide's
    std::vector<State> m_states;
};
