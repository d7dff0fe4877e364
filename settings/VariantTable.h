#pragma once

#include <QString>

#include <array>
#include <cstddef>

// The kana that romaji spells in two ways; each has one entry in the variant table.
enum class Kana : std::size_t {
    Cha,
    Chu,
    Cho, // ちゃ ちゅ ちょ
    Ja,
    Ju,
    Jo, // じゃ じゅ じょ
    Sha,
    Shu,
    Sho, // しゃ しゅ しょ
    SmallYa,
    SmallYu,
    SmallYo, // ゃ ゅ ょ
    Tsu,     // つ
    Shi,     // し
    Ji,      // じ
    N,       // ん
    SmallA,
    SmallI,
    SmallU,
    SmallE,
    SmallO, // ぁ ぃ ぅ ぇ ぉ
    Fu,     // ふ
    Count
};

// The spelling the player chose for each variable kana. Every entry reads as empty text
// until something sets it.
class VariantTable {
public:
    const QString& get(Kana kana) const { return m_entries[static_cast<std::size_t>(kana)]; }
    void set(Kana kana, const QString& spelling) {
        m_entries[static_cast<std::size_t>(kana)] = spelling;
    }

private:
    std::array<QString, static_cast<std::size_t>(Kana::Count)> m_entries;
};
