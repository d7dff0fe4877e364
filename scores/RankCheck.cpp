#include "scores/RankCheck.h"

#include "scores/HighScoreTable.h"

void RankCheck::tenmi(const QStringList& scoreLines, double shownScore, int16_t& NewRank) {
    // Check every place first, so a damaged line stops the check before anything is decided.
    std::optional<double> values[HighScoreTable::Places];
    for (int32_t n = m_lineNo + 1, i = 0; n <= HighScoreTable::Places && i < scoreLines.size();
         ++n, ++i)
        values[n - 1] = HighScoreTable::valueOf(scoreLines.at(i), n);

    for (qsizetype i = 0; i < scoreLines.size(); ++i) {
        ++m_lineNo;
        if (m_lineNo <= HighScoreTable::Places)
            checkPlace(values[m_lineNo - 1], shownScore, NewRank);
    }
    // A short file: the places it lacks are vacant.
    while (m_lineNo < HighScoreTable::Places) {
        ++m_lineNo;
        checkPlace(std::nullopt, shownScore, NewRank);
    }
}

void RankCheck::checkPlace(const std::optional<double>& value, double shownScore,
                           int16_t& NewRank) {
    const bool beats = !value || shownScore >= *value;
    switch (m_lineNo) {
    case 1:
        if (beats) {
            NewRank = 1;
            m_rankFound = true;
        }
        break;
    case 2:
    case 3:
    case 4:
        if (beats && !m_rankFound) {
            NewRank = static_cast<int16_t>(m_lineNo);
            m_rankFound = true;
        }
        break;
    case 5:
        if (beats) {
            if (!m_rankFound)
                NewRank = 5;
        } else {
            NewRank = 0;
        }
        m_rankFound = true;
        break;
    default:
        break;
    }
}
