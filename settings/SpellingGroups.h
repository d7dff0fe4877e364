#pragma once

#include "settings/VariantTable.h"

#include <QString>

#include <array>
#include <vector>

// One group of the settings: its kana and the two accepted spellings of each.
struct SpellingGroup {
    const char* caption;                               // frame caption, e.g. "ちゃちゅちょ"
    std::vector<Kana> entries;                         // the kana it sets, in order
    std::array<std::vector<const char*>, 2> spellings; // [0] = A, [1] = B, one per entry
    std::array<const char*, 2> optionNames;            // e.g. "ctya", "ccha"

    // The option button's caption: the spellings joined by commas ("tya,tyu,tyo").
    QString optionCaption(int choice) const;
    void applyTo(VariantTable& table, int choice) const;
};

// The ten groups in the order of the settings file's lines (option k is line k; the
// second option of the last group, fu, has no line of its own).
class SpellingGroups {
public:
    static constexpr int GroupCount = 10;
    static constexpr int OptionCount = 20;
    static constexpr int FileLines = 19;

    static const std::array<SpellingGroup, GroupCount>& all();
    static int groupOfOption(int option) { return (option - 1) / 2; }
    static int choiceOfOption(int option) { return (option - 1) % 2; }
};
