#include "settings/SpellingSelection.h"

#include "settings/VariantTable.h"

void SpellingSelection::select(int option) {
    if (option < 1 || option > SpellingGroups::OptionCount)
        return;
    m_choice[SpellingGroups::groupOfOption(option)] = SpellingGroups::choiceOfOption(option);
}

bool SpellingSelection::isSelected(int option) const {
    return m_choice[SpellingGroups::groupOfOption(option)] ==
           SpellingGroups::choiceOfOption(option);
}

void SpellingSelection::load(const QStringList& lines) {
    int lineNo = 0;
    for (const QString& line : lines) {
        ++lineNo;
        if (line == QLatin1String("1"))
            select(lineNo); // lines past 20 select nothing
        else if (lineNo == SpellingGroups::FileLines)
            select(SpellingGroups::OptionCount);
    }
}

QString SpellingSelection::fileText() const {
    QString text;
    for (int option = 1; option <= SpellingGroups::FileLines; ++option) {
        text += isSelected(option) ? QLatin1Char('1') : QLatin1Char('0');
        text += QLatin1Char('\r');
    }
    return text;
}

void SpellingSelection::applyTo(VariantTable& table) const {
    const auto& groups = SpellingGroups::all();
    for (int g = 0; g < SpellingGroups::GroupCount; ++g)
        groups[g].applyTo(table, m_choice[g]);
}
