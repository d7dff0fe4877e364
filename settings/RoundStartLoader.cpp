#include "settings/RoundStartLoader.h"

#include "core/TextFile.h"
#include "settings/SettingsFile.h"
#include "settings/SpellingGroups.h"
#include "settings/VariantTable.h"

#include <limits>

QString RoundStartLoader::apply(const QStringList& lines, VariantTable& table) {
    const auto& groups = SpellingGroups::all();
    auto applyOption = [&](int option) {
        groups[SpellingGroups::groupOfOption(option)].applyTo(
            table, SpellingGroups::choiceOfOption(option));
    };
    QString text;
    for (const QString& line : lines) {
        if (m_lineCount < std::numeric_limits<int64_t>::max())
            ++m_lineCount;
        text += line + QStringLiteral("\r\n");
        if (line == QLatin1String("1")) {
            if (m_lineCount <= SpellingGroups::OptionCount)
                applyOption(static_cast<int>(m_lineCount));
        } else if (m_lineCount == SpellingGroups::FileLines) {
            applyOption(SpellingGroups::OptionCount); // line 19 not "1": fu
        }
    }
    return text;
}

QString RoundStartLoader::load(VariantTable& table) {
    return apply(TextFile::readLines(SettingsFile::Path), table);
}
