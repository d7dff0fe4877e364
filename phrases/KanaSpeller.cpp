#include "phrases/KanaSpeller.h"

#include "phrases/KanaSpellings.h"
#include "settings/SpellingGroups.h"

#include <array>
#include <cstdint>
#include <unordered_map>

namespace {

constexpr char16_t HiraganaFirst = 0x3040;
constexpr char16_t SmallTsu = u'っ';
constexpr std::size_t KanaCount = static_cast<std::size_t>(Kana::Count);

// Letters that small っ doubles. n is left out ("nn" reads as ん), and so are l and x, which
// begin the spellings of small kana.
bool doublesAfterSmallTsu(QChar c) {
    return c.unicode() < 0x80 && QByteArrayView("bcdfghjkmpqrstvwyz").contains(c.toLatin1());
}

// The speller's table turned into lookups: one slot per hiragana for single kana, a hash for a
// kana with its small kana, and for each variable kana the letter its spellings share.
struct Lookup {
    std::array<const KanaSpelling*, 0x60> single{};
    std::unordered_map<uint32_t, const KanaSpelling*> pairs;
    std::array<bool, KanaCount> doubles{}; // small っ before it doubles a letter
    std::array<QChar, KanaCount> shared{}; // the letter both spellings begin with, if any

    Lookup() {
        for (const KanaSpelling& s : KanaSpellings::kana()) {
            const std::u16string_view k(s.kana);
            if (k.size() == 1)
                single[k[0] - HiraganaFirst] = &s;
            else
                pairs[key(k[0], k[1])] = &s;
        }
        for (const SpellingGroup& group : SpellingGroups::all()) {
            for (std::size_t i = 0; i < group.entries.size(); ++i) {
                const QChar a = QLatin1Char(group.spellings[0][i][0]);
                const QChar b = QLatin1Char(group.spellings[1][i][0]);
                const auto e = static_cast<std::size_t>(group.entries[i]);
                doubles[e] = doublesAfterSmallTsu(a) && doublesAfterSmallTsu(b);
                if (doubles[e] && a == b)
                    shared[e] = a;
            }
        }
    }
    static uint32_t key(char16_t first, char16_t second) { return uint32_t{first} << 16 | second; }
};

const Lookup& lookup() {
    static const Lookup instance;
    return instance;
}

// Katakana read as the hiragana of the same sound (ヴ as ゔ, ヵ as ゕ).
char16_t folded(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x30A1 && u <= 0x30F6 ? static_cast<char16_t>(u - 0x60) : u;
}

bool isHiragana(char16_t c) {
    return c >= 0x3041 && c <= 0x3096;
}

// Every ASCII character as a C string of its own: ASCII passes through as it is written.
struct AsciiText {
    char text[128][2]{};
    constexpr AsciiText() {
        for (int c = 0; c < 128; ++c)
            text[c][0] = static_cast<char>(c);
    }
};
constexpr AsciiText asciiText;

// One spelt unit of the reading, before small っ is resolved.
struct Unit {
    enum class Type : unsigned char { Kana, Sign, Variable, SmallTsu } type;
    const char* romaji = nullptr; // Kana and Sign
    Kana kana = Kana::Count;      // Variable
};

Unit unitOf(const KanaSpelling& s) {
    if (s.romaji)
        return {Unit::Type::Kana, s.romaji};
    return {Unit::Type::Variable, nullptr, s.variable};
}

// What small っ stands for before `next` (nullptr when it ends the reading).
void appendSmallTsu(KanaSpeller::Reading& parts, QString& fixed, const Unit* next) {
    const Lookup& l = lookup();
    if (next && next->type == Unit::Type::Kana &&
        doublesAfterSmallTsu(QLatin1Char(next->romaji[0]))) {
        fixed += QLatin1Char(next->romaji[0]);
        return;
    }
    if (next && next->type == Unit::Type::Variable &&
        l.doubles[static_cast<std::size_t>(next->kana)]) {
        const QChar shared = l.shared[static_cast<std::size_t>(next->kana)];
        if (!shared.isNull()) {
            fixed += shared;
            return;
        }
        if (!fixed.isEmpty())
            parts.push_back({KanaSpeller::Part::Type::Fixed, Kana::Count, fixed});
        fixed.clear();
        parts.push_back({KanaSpeller::Part::Type::DoubledBefore, next->kana, {}});
        return;
    }
    // Nothing to double: before a vowel, ん, a sign or the end it is typed on its own, as in
    // "dailtu!".
    fixed += QLatin1String("ltu");
}

} // namespace

std::optional<KanaSpeller::Reading> KanaSpeller::parse(QStringView reading, qsizetype* unknownAt) {
    const Lookup& l = lookup();
    std::vector<Unit> units;
    units.reserve(static_cast<std::size_t>(reading.size()));
    for (qsizetype i = 0; i < reading.size(); ++i) {
        char16_t c = folded(reading[i]);
        if (c >= 0xFF01 && c <= 0xFF5E) // full-width letters, digits and signs
            c = static_cast<char16_t>(c - 0xFEE0);
        if (c == SmallTsu) {
            units.push_back({Unit::Type::SmallTsu});
        } else if (isHiragana(c)) {
            if (i + 1 < reading.size()) {
                const auto pair = l.pairs.find(Lookup::key(c, folded(reading[i + 1])));
                if (pair != l.pairs.end()) {
                    units.push_back(unitOf(*pair->second));
                    ++i;
                    continue;
                }
            }
            const KanaSpelling* s = l.single[c - HiraganaFirst];
            if (!s) {
                if (unknownAt)
                    *unknownAt = i;
                return std::nullopt;
            }
            units.push_back(unitOf(*s));
        } else if (c >= 0x20 && c < 0x7F) {
            units.push_back({Unit::Type::Sign, asciiText.text[c]});
        } else {
            const SymbolSpelling* symbol = nullptr;
            for (const SymbolSpelling& s : KanaSpellings::symbols())
                if (s.symbol == c)
                    symbol = &s;
            if (!symbol) {
                if (unknownAt)
                    *unknownAt = i;
                return std::nullopt;
            }
            units.push_back({Unit::Type::Sign, symbol->romaji});
        }
    }

    Reading parts;
    QString fixed;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const Unit& u = units[i];
        switch (u.type) {
        case Unit::Type::Kana:
        case Unit::Type::Sign:
            fixed += QLatin1String(u.romaji);
            break;
        case Unit::Type::SmallTsu:
            appendSmallTsu(parts, fixed, i + 1 < units.size() ? &units[i + 1] : nullptr);
            break;
        case Unit::Type::Variable:
            if (!fixed.isEmpty())
                parts.push_back({Part::Type::Fixed, Kana::Count, fixed});
            fixed.clear();
            parts.push_back({Part::Type::Variable, u.kana, {}});
            break;
        }
    }
    if (!fixed.isEmpty())
        parts.push_back({Part::Type::Fixed, Kana::Count, fixed});
    return parts;
}

PhrasePieces KanaSpeller::spell(const Reading& reading, const VariantTable& table) {
    PhrasePieces pieces;
    QString fixed;
    for (const Part& part : reading) {
        switch (part.type) {
        case Part::Type::Fixed:
            fixed += part.fixed;
            break;
        case Part::Type::DoubledBefore: {
            // The first letter of the spelling in force; an unset entry has none to double.
            const QString& spelling = table.get(part.kana);
            if (!spelling.isEmpty() && doublesAfterSmallTsu(spelling.front()))
                fixed += spelling.front();
            break;
        }
        case Part::Type::Variable:
            if (!fixed.isEmpty())
                pieces.push_back({fixed, std::nullopt});
            fixed.clear();
            pieces.push_back({QString(), part.kana});
            break;
        }
    }
    if (!fixed.isEmpty())
        pieces.push_back({fixed, std::nullopt});
    return pieces;
}

QString KanaSpeller::join(const PhrasePieces& pieces, const VariantTable& table) {
    QString out;
    for (const PhrasePiece& piece : pieces)
        out += piece.kana ? table.get(*piece.kana) : piece.fixed;
    return out;
}
