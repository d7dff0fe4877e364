#include "settings/SpellingGroups.h"

#include <QStringList>

QString SpellingGroup::optionCaption(int choice) const {
    QStringList parts;
    for (const char* s : spellings[choice])
        parts << QString::fromLatin1(s);
    return parts.join(QLatin1Char(','));
}

void SpellingGroup::applyTo(VariantTable& table, int choice) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
        table.set(entries[i], QString::fromLatin1(spellings[choice][i]));
}

const std::array<SpellingGroup, SpellingGroups::GroupCount>& SpellingGroups::all() {
    using K = Kana;
    static const std::array<SpellingGroup, GroupCount> groups{{
        {"ちゃちゅちょ",
         {K::Cha, K::Chu, K::Cho},
         {{{"tya", "tyu", "tyo"}, {"cha", "chu", "cho"}}},
         {"ctya", "ccha"}},
        {"じゃじゅじょ",
         {K::Ja, K::Ju, K::Jo},
         {{{"zya", "zyu", "zyo"}, {"ja", "ju", "jo"}}},
         {"czya", "cja"}},
        {"しゃしゅしょ",
         {K::Sha, K::Shu, K::Sho},
         {{{"sya", "syu", "syo"}, {"sha", "shu", "sho"}}},
         {"csya", "csha"}},
        {"ゃゅょ",
         {K::SmallYa, K::SmallYu, K::SmallYo},
         {{{"lya", "lyu", "lyo"}, {"xya", "xyu", "xyo"}}},
         {"clya", "cxya"}},
        {"つ", {K::Tsu}, {{{"tu"}, {"tsu"}}}, {"ctu", "ctsu"}},
        {"し", {K::Shi}, {{{"si"}, {"shi"}}}, {"csi", "cshi"}},
        {"じ", {K::Ji}, {{{"zi"}, {"ji"}}}, {"czi", "cji"}},
        {"ん", {K::N}, {{{"nn"}, {"n"}}}, {"cnn", "cn"}},
        {"ぁぃぅぇぉ",
         {K::SmallA, K::SmallI, K::SmallU, K::SmallE, K::SmallO},
         {{{"la", "li", "lu", "le", "lo"}, {"xa", "xi", "xu", "xe", "xo"}}},
         {"cla", "cxa"}},
        {"ふ", {K::Fu}, {{{"hu"}, {"fu"}}}, {"chu", "cfu"}},
    }};
    return groups;
}
