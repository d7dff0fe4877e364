#include "typing/KanaLayout.h"

#include <QKeyEvent>

#include <algorithm>
#include <array>

namespace {

// Row by row from the top left, as a JIS keyboard prints the kana; the last two are the US
// keyboard's stand-ins, as the common input methods place them there.
const std::vector<KanaLayout::Entry> table = {
    {10, u'ぬ', u'ぬ'},  {11, u'ふ', u'ふ'}, {12, u'あ', u'ぁ'}, {13, u'う', u'ぅ'},
    {14, u'え', u'ぇ'},  {15, u'お', u'ぉ'}, {16, u'や', u'ゃ'}, {17, u'ゆ', u'ゅ'},
    {18, u'よ', u'ょ'},  {19, u'わ', u'を'}, {20, u'ほ', u'ー'}, {21, u'へ', u'へ'},
    {132, u'ー', u'ー'}, // ¥

    {24, u'た', u'た'},  {25, u'て', u'て'}, {26, u'い', u'ぃ'}, {27, u'す', u'す'},
    {28, u'か', u'か'},  {29, u'ん', u'ん'}, {30, u'な', u'な'}, {31, u'に', u'に'},
    {32, u'ら', u'ら'},  {33, u'せ', u'せ'}, {34, u'゛', u'゛'}, {35, u'゜', u'「'},

    {38, u'ち', u'ち'},  {39, u'と', u'と'}, {40, u'し', u'し'}, {41, u'は', u'は'},
    {42, u'き', u'き'},  {43, u'く', u'く'}, {44, u'ま', u'ま'}, {45, u'の', u'の'},
    {46, u'り', u'り'},  {47, u'れ', u'れ'}, {48, u'け', u'け'}, {51, u'む', u'」'},

    {52, u'つ', u'っ'},  {53, u'さ', u'さ'}, {54, u'そ', u'そ'}, {55, u'ひ', u'ひ'},
    {56, u'こ', u'こ'},  {57, u'み', u'み'}, {58, u'も', u'も'}, {59, u'ね', u'、'},
    {60, u'る', u'。'},  {61, u'め', u'・'}, {97, u'ろ', u'ろ'},

    {49, u'ろ', u'ろ'}, // the US keyboard's ` key, left of 1
};

// A US keyboard's printable keys: key code, character, shifted character.
struct UsKey {
    int keycode;
    char plain;
    char shifted;
};
constexpr std::array<UsKey, 47> usKeys{{
    {10, '1', '!'}, {11, '2', '@'},  {12, '3', '#'}, {13, '4', '$'}, {14, '5', '%'},
    {15, '6', '^'}, {16, '7', '&'},  {17, '8', '*'}, {18, '9', '('}, {19, '0', ')'},
    {20, '-', '_'}, {21, '=', '+'},  {24, 'q', 'Q'}, {25, 'w', 'W'}, {26, 'e', 'E'},
    {27, 'r', 'R'}, {28, 't', 'T'},  {29, 'y', 'Y'}, {30, 'u', 'U'}, {31, 'i', 'I'},
    {32, 'o', 'O'}, {33, 'p', 'P'},  {34, '[', '{'}, {35, ']', '}'}, {38, 'a', 'A'},
    {39, 's', 'S'}, {40, 'd', 'D'},  {41, 'f', 'F'}, {42, 'g', 'G'}, {43, 'h', 'H'},
    {44, 'j', 'J'}, {45, 'k', 'K'},  {46, 'l', 'L'}, {47, ';', ':'}, {48, '\'', '"'},
    {49, '`', '~'}, {51, '\\', '|'}, {52, 'z', 'Z'}, {53, 'x', 'X'}, {54, 'c', 'C'},
    {55, 'v', 'V'}, {56, 'b', 'B'},  {57, 'n', 'N'}, {58, 'm', 'M'}, {59, ',', '<'},
    {60, '.', '>'}, {61, '/', '?'},
}};

// The keys on a JIS keyboard only: the stand-ins are found after the real keys.
constexpr std::size_t JisKeys = 48;

} // namespace

const std::vector<KanaLayout::Entry>& KanaLayout::entries() {
    return table;
}

QChar KanaLayout::kanaAt(Key key) {
    for (const Entry& entry : table)
        if (entry.keycode == key.keycode)
            return QChar(key.shift ? entry.shifted : entry.plain);
    return {};
}

std::optional<KanaLayout::Key> KanaLayout::keyFor(QChar kana) {
    for (std::size_t i = 0; i < JisKeys; ++i)
        if (table[i].plain == kana.unicode())
            return Key{table[i].keycode, false};
    for (std::size_t i = 0; i < JisKeys; ++i)
        if (table[i].shifted == kana.unicode())
            return Key{table[i].keycode, true};
    return std::nullopt;
}

std::optional<KanaLayout::Key> KanaLayout::usKey(QChar character) {
    for (const UsKey& key : usKeys) {
        if (character == QLatin1Char(key.plain))
            return Key{key.keycode, false};
        if (character == QLatin1Char(key.shifted))
            return Key{key.keycode, true};
    }
    return std::nullopt;
}

std::optional<KanaLayout::Key> KanaLayout::positionOf(const QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    // X key codes run from 8 to 255; anything else is no X key code.
    const quint32 code = event->nativeScanCode();
    if (code >= 8 && code <= 255)
        return Key{static_cast<int>(code), shift};
    // No scan code (the offscreen platform, some Wayland set-ups): read the character as a US
    // keyboard would have typed it, which is what a player there most likely has.
    const QString text = event->text();
    if (text.size() != 1)
        return std::nullopt;
    return usKey(text.at(0));
}

QChar KanaLayout::kanaOf(const QKeyEvent* event) {
    constexpr Qt::KeyboardModifiers commands =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event->modifiers() & commands)
        return {};
    const std::optional<Key> key = positionOf(event);
    return key ? kanaAt(*key) : QChar();
}

const QString& KanaLayout::allKana() {
    static const QString all = [] {
        QString kana;
        for (const Entry& entry : table)
            for (const char16_t c : {entry.plain, entry.shifted})
                if (!kana.contains(QChar(c)))
                    kana += QChar(c);
        return kana;
    }();
    return all;
}
