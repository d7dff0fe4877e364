#pragma once

#include "settings/SpellingGroups.h"

#include <QString>
#include <QStringList>

#include <array>

class VariantTable;

// Which of its two spellings each group uses: the settings dialog's option buttons.
// Every group starts on its first spelling (A).
class SpellingSelection {
public:
    // Option 1..20 in file-line order (ctya, ccha, ..., chu, cfu).
    void select(int option);
    bool isSelected(int option) const;
    int choice(int group) const { return m_choice[group]; }
    void setChoice(int group, int choice) { m_choice[group] = choice; }

    // The settings file's lines as the dialog reads them: a line that is exactly "1" selects
    // the option of its number (line 20 selects fu), any other line 19 selects fu.
    void load(const QStringList& lines);

    // The file's content without its final CR LF: 19 values "1"/"0", each followed by a CR.
    QString fileText() const;

    void applyTo(VariantTable& table) const;

private:
    std::array<int, SpellingGroups::GroupCount> m_choice{};
};
