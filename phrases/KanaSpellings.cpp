#include "phrases/KanaSpellings.h"

namespace {

// Fixed spellings follow the built-in phrases: き "ki", ち "ti", ぢ "di", を "wo", きゃ "kya",
// しぇ "sye", ふぁ "fa". A small kana after a kana with no pair below is spelt on its own,
// as the built-in phrases do ("ride" + ゅ, "ne" + ぇ). Katakana are read as hiragana first.
// clang-format off
constexpr KanaSpelling table[] = {
    // Vowels, and the rows spelt the same whatever the settings.
    {u"あ", "a"}, {u"い", "i"}, {u"う", "u"}, {u"え", "e"}, {u"お", "o"},
    {u"か", "ka"}, {u"き", "ki"}, {u"く", "ku"}, {u"け", "ke"}, {u"こ", "ko"},
    {u"が", "ga"}, {u"ぎ", "gi"}, {u"ぐ", "gu"}, {u"げ", "ge"}, {u"ご", "go"},
    {u"さ", "sa"}, {u"し", nullptr, Kana::Shi}, {u"す", "su"}, {u"せ", "se"}, {u"そ", "so"},
    {u"ざ", "za"}, {u"じ", nullptr, Kana::Ji}, {u"ず", "zu"}, {u"ぜ", "ze"}, {u"ぞ", "zo"},
    {u"た", "ta"}, {u"ち", "ti"}, {u"つ", nullptr, Kana::Tsu}, {u"て", "te"}, {u"と", "to"},
    {u"だ", "da"}, {u"ぢ", "di"}, {u"づ", "du"}, {u"で", "de"}, {u"ど", "do"},
    {u"な", "na"}, {u"に", "ni"}, {u"ぬ", "nu"}, {u"ね", "ne"}, {u"の", "no"},
    {u"は", "ha"}, {u"ひ", "hi"}, {u"ふ", nullptr, Kana::Fu}, {u"へ", "he"}, {u"ほ", "ho"},
    {u"ば", "ba"}, {u"び", "bi"}, {u"ぶ", "bu"}, {u"べ", "be"}, {u"ぼ", "bo"},
    {u"ぱ", "pa"}, {u"ぴ", "pi"}, {u"ぷ", "pu"}, {u"ぺ", "pe"}, {u"ぽ", "po"},
    {u"ま", "ma"}, {u"み", "mi"}, {u"む", "mu"}, {u"め", "me"}, {u"も", "mo"},
    {u"や", "ya"}, {u"ゆ", "yu"}, {u"よ", "yo"},
    {u"ら", "ra"}, {u"り", "ri"}, {u"る", "ru"}, {u"れ", "re"}, {u"ろ", "ro"},
    {u"わ", "wa"}, {u"ゐ", "wi"}, {u"ゑ", "we"}, {u"を", "wo"}, {u"ん", nullptr, Kana::N},
    {u"ゔ", "vu"},

    // Small kana standing alone. Small っ has no entry: it doubles the consonant after it.
    {u"ぁ", nullptr, Kana::SmallA}, {u"ぃ", nullptr, Kana::SmallI},
    {u"ぅ", nullptr, Kana::SmallU}, {u"ぇ", nullptr, Kana::SmallE},
    {u"ぉ", nullptr, Kana::SmallO}, {u"ゃ", nullptr, Kana::SmallYa},
    {u"ゅ", nullptr, Kana::SmallYu}, {u"ょ", nullptr, Kana::SmallYo},
    {u"ゎ", "lwa"}, {u"ゕ", "lka"}, {u"ゖ", "lke"},

    // A kana of the i column with small ゃ, ゅ, ょ or ぇ after it.
    {u"きゃ", "kya"}, {u"きゅ", "kyu"}, {u"きょ", "kyo"}, {u"きぇ", "kye"},
    {u"ぎゃ", "gya"}, {u"ぎゅ", "gyu"}, {u"ぎょ", "gyo"}, {u"ぎぇ", "gye"},
    {u"しゃ", nullptr, Kana::Sha}, {u"しゅ", nullptr, Kana::Shu},
    {u"しょ", nullptr, Kana::Sho}, {u"しぇ", "sye"},
    {u"じゃ", nullptr, Kana::Ja}, {u"じゅ", nullptr, Kana::Ju},
    {u"じょ", nullptr, Kana::Jo}, {u"じぇ", "zye"},
    {u"ちゃ", nullptr, Kana::Cha}, {u"ちゅ", nullptr, Kana::Chu},
    {u"ちょ", nullptr, Kana::Cho}, {u"ちぇ", "tye"},
    {u"ぢゃ", "dya"}, {u"ぢゅ", "dyu"}, {u"ぢょ", "dyo"}, {u"ぢぇ", "dye"},
    {u"にゃ", "nya"}, {u"にゅ", "nyu"}, {u"にょ", "nyo"}, {u"にぇ", "nye"},
    {u"ひゃ", "hya"}, {u"ひゅ", "hyu"}, {u"ひょ", "hyo"}, {u"ひぇ", "hye"},
    {u"びゃ", "bya"}, {u"びゅ", "byu"}, {u"びょ", "byo"}, {u"びぇ", "bye"},
    {u"ぴゃ", "pya"}, {u"ぴゅ", "pyu"}, {u"ぴょ", "pyo"}, {u"ぴぇ", "pye"},
    {u"みゃ", "mya"}, {u"みゅ", "myu"}, {u"みょ", "myo"}, {u"みぇ", "mye"},
    {u"りゃ", "rya"}, {u"りゅ", "ryu"}, {u"りょ", "ryo"}, {u"りぇ", "rye"},

    // ふ and ゔ with a small vowel.
    {u"ふぁ", "fa"}, {u"ふぃ", "fi"}, {u"ふぇ", "fe"}, {u"ふぉ", "fo"},
    {u"ゔぁ", "va"}, {u"ゔぃ", "vi"}, {u"ゔぇ", "ve"}, {u"ゔぉ", "vo"},
};

// Full-width letters, digits and signs (！ ？ ｗ ８) become their ASCII selves elsewhere.
constexpr SymbolSpelling symbolTable[] = {
    {u'ー', "-"}, {u'ｰ', "-"}, {u'。', "."}, {u'｡', "."}, {u'、', ","}, {u'､', ","},
    {u'…', "///"}, {u'・', "/"}, {u'･', "/"}, {u'〜', "~"}, {u'｢', "["}, {u'｣', "]"},
    {u'「', "["}, {u'」', "]"}, {u'　', " "},
};
// clang-format on

} // namespace

std::span<const KanaSpelling> KanaSpellings::kana() {
    return table;
}

std::span<const SymbolSpelling> KanaSpellings::symbols() {
    return symbolTable;
}
