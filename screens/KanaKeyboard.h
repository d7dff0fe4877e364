#pragma once

#include "stats/ProgressModel.h"

#include <QString>

#include <vector>

// The JIS kana keyboard of the progress window: its keys by position, each known by the kana it
// types without Shift, and a key's figures as the sum of every kana typed on it.
class KanaKeyboard {
public:
    // The rows of keys, top first, each key named by its unshifted kana.
    static const std::vector<std::vector<char32_t>>& rows();
    // What Shift types on the key of a JIS keyboard; 0 when it types the same kana.
    static char32_t shifted(char32_t key);
    // The key's kana as read out: "あ／ぁ" for a key with a shifted kana.
    static QString keyName(char32_t key);
    // The recent figures of every kana typed on the key, summed.
    static ProgressModel::KeyStat keyStat(const ProgressModel& model, char32_t key);
};
