#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// Follows the player's kana keys through a phrase's reading: one key per kana of the JIS kana
// layout, two for a voiced or semi-voiced kana (the base kana, then ゛ or ゜). Katakana are
// typed with the keys of their hiragana. It knows which key comes next, when the reading is
// done and what is left of it to show.
class KanaJudge {
public:
    // The layout's kana the reading is typed with, in order; nothing when a character of it has
    // no key on the layout (an ASCII letter or digit, most signs), and badAt then receives that
    // character's index.
    static std::optional<QString> keys(QStringView reading, qsizetype* badAt = nullptr);
    static bool typable(QStringView reading) { return keys(reading).has_value(); }

    // A reading that is not typable can be followed up to its first untypable character.
    explicit KanaJudge(QStringView reading);

    // One key's kana. True when it is the next one; a wrong key changes nothing.
    bool feed(QChar kana);
    bool complete() const { return m_unit == m_units.size(); }
    // The kana the next key must type; null once complete.
    QChar expected() const;
    // The rest of the reading as written, a half-typed voiced kana shown as its base kana until
    // its mark comes; empty once complete.
    QString rest() const;

private:
    struct Unit {
        QString shown; // the reading's own character
        QString base;  // what it shows while half typed
        QString keys;  // the layout's kana typing it; empty when none does
    };
    static Unit unitOf(QChar character);

    std::vector<Unit> m_units;
    std::size_t m_unit = 0;
    qsizetype m_key = 0; // keys of the current unit already typed
};
