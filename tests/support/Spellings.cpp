#include "tests/support/Spellings.h"

#include "settings/SpellingGroups.h"

#include <vector>

VariantTable spellingTable(const std::function<int(int)>& choiceOf) {
    VariantTable table;
    for (int g = 0; g < SpellingGroups::GroupCount; ++g)
        SpellingGroups::all()[g].applyTo(table, choiceOf(g));
    return table;
}

VariantTable tableWith(int choice) {
    return spellingTable([choice](int) { return choice; });
}

QString spellPhrase(const PhrasePieces& pieces, const VariantTable& typing,
                    const VariantTable& chosen) {
    std::vector<QString> parts;
    for (const PhrasePiece& piece : pieces)
        parts.push_back(piece.kana ? typing.get(*piece.kana) : piece.fixed);
    QString text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].kana == Kana::N) {
            QString after;
            for (std::size_t j = i + 1; j < parts.size(); ++j)
                after += parts[j];
            if (after.isEmpty())
                parts[i] = chosen.get(Kana::N);
            else if (parts[i] == QLatin1String("n") &&
                     QStringLiteral("aiueoyn").contains(after.front()))
                parts[i] = QStringLiteral("nn");
        }
        text += parts[i];
    }
    return text;
}
