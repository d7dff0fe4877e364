#include "screens/KanaKeyboard.h"

#include "typing/KanaLayout.h"

#include <array>

namespace {
// A JIS keyboard's kana keys by X key code, row by row: ー is on the ¥ key and ろ left of the
// right Shift, as printed on the keys.
const std::array<std::vector<int>, 4> KeyCodes = {{
    {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 132},
    {24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35},
    {38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 51},
    {52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 97},
}};

char32_t plainAt(int keycode) {
    return KanaLayout::kanaAt({keycode, false}).unicode();
}

// Each kana of the model's figures to its key, worked out once.
const std::array<char32_t, ProgressModel::KanaCount>& keysOfKana() {
    static const std::array<char32_t, ProgressModel::KanaCount> table = [] {
        std::array<char32_t, ProgressModel::KanaCount> out{};
        for (int i = 0; i < ProgressModel::KanaCount; ++i) {
            const char32_t kana = ProgressModel::kanaAt(i);
            const auto key = KanaLayout::keyFor(QChar(static_cast<char16_t>(kana)));
            out[static_cast<size_t>(i)] = key ? plainAt(key->keycode) : 0;
        }
        return out;
    }();
    return table;
}
} // namespace

const std::vector<std::vector<char32_t>>& KanaKeyboard::rows() {
    static const std::vector<std::vector<char32_t>> layout = [] {
        std::vector<std::vector<char32_t>> out;
        for (const auto& codes : KeyCodes) {
            out.emplace_back();
            for (int code : codes)
                out.back().push_back(plainAt(code));
        }
        return out;
    }();
    return layout;
}

char32_t KanaKeyboard::shifted(char32_t key) {
    const auto at = KanaLayout::keyFor(QChar(static_cast<char16_t>(key)));
    if (!at || at->shift)
        return 0;
    const char32_t up = KanaLayout::kanaAt({at->keycode, true}).unicode();
    // Shift with ほ types ー only for a US keyboard, which has no ¥ key: ー is the ¥ key's.
    const auto home = KanaLayout::keyFor(QChar(static_cast<char16_t>(up)));
    return home && home->shift && home->keycode == at->keycode ? up : 0;
}

QString KanaKeyboard::keyName(char32_t key) {
    QString name = QString::fromUcs4(&key, 1);
    if (const char32_t up = shifted(key))
        name += QStringLiteral("／") + QString::fromUcs4(&up, 1);
    return name;
}

ProgressModel::KeyStat KanaKeyboard::keyStat(const ProgressModel& model, char32_t key) {
    ProgressModel::KeyStat sum;
    const auto& keys = keysOfKana();
    for (int i = 0; i < ProgressModel::KanaCount; ++i) {
        if (keys[static_cast<size_t>(i)] != key)
            continue;
        const ProgressModel::KeyStat s =
            model.keyStat(ProgressModel::kanaAt(i), ProgressModel::Input::Kana);
        sum.misses += s.misses;
        sum.keys += s.keys;
        sum.ms += s.ms;
        sum.timed += s.timed;
    }
    return sum;
}
