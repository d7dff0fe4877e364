#include "phrases/KanaSpeller.h"

#include "phrases/KanaSpellings.h"
#include "settings/SpellingGroups.h"

#include <array>
#include <cassert>
#include <cstdint>

namespace {

constexpr char16_t HiraganaFirst = 0x3040;
constexpr char16_t SmallTsu = u'っ';
constexpr std::size_t KanaCount = static_cast<std::size_t>(Kana::Count);

// Letters that small っ doubles. n is left out ("nn" reads as ん), and so are l and x, which
// begin the spellings of small kana.
bool doublesAfterSmallTsu(QChar c) {
    return c.unicode() < 0x80 && QByteArrayView("bcdfghjkmpqrstvwyz").contains(c.toLatin1());
}

// ぁぃぅぇぉゃゅょ as 0 to 7; -1 for any other character.
int smallIndex(char16_t c) {
    switch (c) {
    case u'ぁ':
        return 0;
    case u'ぃ':
        return 1;
    case u'ぅ':
        return 2;
    case u'ぇ':
        return 3;
    case u'ぉ':
        return 4;
    case u'ゃ':
        return 5;
    case u'ゅ':
        return 6;
    case u'ょ':
        return 7;
    default:
        return -1;
    }
}

// The speller's table turned into lookups: one slot per hiragana for single kana, one per
// hiragana and small kana for pairs, and for each variable kana the letter its spellings share.
struct Lookup {
    std::array<const KanaSpelling*, 0x60> single{};
    std::array<std::array<const KanaSpelling*, 8>, 0x60> pairs{};
    std::array<bool, KanaCount> doubles{}; // small っ before it doubles a letter
    std::array<QChar, KanaCount> shared{}; // the letter both spellings begin with, if any

    Lookup() {
        for (const KanaSpelling& s : KanaSpellings::kana()) {
            const std::u16string_view k(s.kana);
            if (k.size() == 1)
                single[k[0] - HiraganaFirst] = &s;
            else {
                assert(smallIndex(k[1]) >= 0);
                pairs[k[0] - HiraganaFirst][smallIndex(k[1])] = &s;
            }
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

// The ASCII text of a sign of the phrases other than ASCII itself, or nullptr.
const char* symbolRomaji(char16_t c) {
    if (c < 0x2000)
        return nullptr;
    for (const SymbolSpelling& s : KanaSpellings::symbols())
        if (s.symbol == c)
            return s.romaji;
    return nullptr;
}

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

// Collects a reading's parts. The fixed romaji gathers in a buffer that is kept from one
// reading to the next, so a reading costs two allocations whatever its length.
class PartBuilder {
public:
    using Type = KanaSpeller::Part::Type;

    PartBuilder() : m_fixed(fixedBuffer()), m_parts(partBuffer()) {
        m_fixed.clear();
        m_parts.clear();
    }

    // The next unit of the reading; a small っ waits for the unit after it.
    void add(const Unit& unit) {
        if (m_smallTsuWaits)
            smallTsu(&unit);
        m_smallTsuWaits = unit.type == Unit::Type::SmallTsu;
        switch (unit.type) {
        case Unit::Type::Kana:
        case Unit::Type::Sign:
            text(unit.romaji);
            break;
        case Unit::Type::Variable:
            variable(Type::Variable, unit.kana);
            break;
        case Unit::Type::SmallTsu:
            break;
        }
    }

    KanaSpeller::Reading finish() {
        if (m_smallTsuWaits)
            smallTsu(nullptr);
        flush();
        return {QString(reinterpret_cast<const QChar*>(m_fixed.data()),
                        static_cast<qsizetype>(m_fixed.size())),
                m_parts};
    }

private:
    static std::u16string& fixedBuffer() {
        static thread_local std::u16string buffer;
        return buffer;
    }
    static std::vector<KanaSpeller::Part>& partBuffer() {
        static thread_local std::vector<KanaSpeller::Part> buffer;
        return buffer;
    }

    void text(const char* romaji) {
        while (*romaji)
            m_fixed.push_back(static_cast<char16_t>(*romaji++));
    }
    void variable(Type type, Kana kana) {
        flush();
        m_parts.push_back({type, kana, 0});
    }

    // What small っ stands for before `next` (nullptr when it ends the reading).
    void smallTsu(const Unit* next) {
        const Lookup& l = lookup();
        if (next && next->type == Unit::Type::Kana &&
            doublesAfterSmallTsu(QLatin1Char(next->romaji[0]))) {
            m_fixed.push_back(static_cast<char16_t>(next->romaji[0]));
            return;
        }
        if (next && next->type == Unit::Type::Variable &&
            l.doubles[static_cast<std::size_t>(next->kana)]) {
            const QChar shared = l.shared[static_cast<std::size_t>(next->kana)];
            if (!shared.isNull())
                m_fixed.push_back(shared.unicode());
            else
                variable(Type::DoubledBefore, next->kana);
            return;
        }
        // Nothing to double: before a vowel, ん, a sign or the end it is typed on its own, as
        // in "dailtu!".
        text("ltu");
    }

    void flush() {
        const int length = static_cast<int>(m_fixed.size()) - m_flushed;
        if (length > 0)
            m_parts.push_back({Type::Fixed, Kana::Count, length});
        m_flushed = static_cast<int>(m_fixed.size());
    }

    std::u16string& m_fixed;
    std::vector<KanaSpeller::Part>& m_parts;
    int m_flushed = 0;
    bool m_smallTsuWaits = false;
};

} // namespace

std::optional<KanaSpeller::Reading> KanaSpeller::parse(QStringView reading, qsizetype* unknownAt) {
    const Lookup& l = lookup();
    PartBuilder parts;
    for (qsizetype i = 0; i < reading.size(); ++i) {
        char16_t c = folded(reading[i]);
        if (c >= 0xFF01 && c <= 0xFF5E) // full-width letters, digits and signs
            c = static_cast<char16_t>(c - 0xFEE0);
        if (c == SmallTsu) {
            parts.add({Unit::Type::SmallTsu});
            continue;
        }
        if (c >= 0x20 && c < 0x7F) {
            parts.add({Unit::Type::Sign, asciiText.text[c]});
            continue;
        }
        const KanaSpelling* spelling = nullptr;
        if (isHiragana(c)) {
            const int small = i + 1 < reading.size() ? smallIndex(folded(reading[i + 1])) : -1;
            if (small >= 0 && (spelling = l.pairs[c - HiraganaFirst][small]))
                ++i;
            else
                spelling = l.single[c - HiraganaFirst];
        } else if (const char* sign = symbolRomaji(c)) {
            parts.add({Unit::Type::Sign, sign});
            continue;
        }
        if (!spelling) {
            if (unknownAt)
                *unknownAt = i;
            return std::nullopt;
        }
        parts.add(unitOf(*spelling));
    }
    return parts.finish();
}

PhrasePieces KanaSpeller::spell(const Reading& reading, const VariantTable& table) {
    PhrasePieces pieces;
    pieces.reserve(reading.parts.size());
    QString fixed;
    qsizetype from = 0; // where the next fixed part starts in reading.fixed
    for (const Part& part : reading.parts) {
        switch (part.type) {
        case Part::Type::Fixed:
            // The whole reading as one fixed part shares its string instead of copying it.
            fixed += part.length == reading.fixed.size() ? reading.fixed
                                                         : reading.fixed.mid(from, part.length);
            from += part.length;
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
    qsizetype length = 0;
    for (const PhrasePiece& piece : pieces)
        length += piece.kana ? table.get(*piece.kana).size() : piece.fixed.size();
    QString out;
    out.reserve(length);
    for (const PhrasePiece& piece : pieces)
        out += piece.kana ? table.get(*piece.kana) : piece.fixed;
    return out;
}
