#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>

// The result screen's rank check (tenmi): walks the score file's lines with a counter that runs
// on across passes, so only the first pass over places 1 to 5 can settle NewRank; later passes
// count on past the fifth line and change nothing.
class RankCheck {
public:
    // One pass over the score file's lines with the score as shown. Places the file lacks are
    // vacant and taken by any score. Throws FileError for a place whose score is not a number,
    // before NewRank changes.
    void tenmi(const QStringList& scoreLines, double shownScore, int16_t& NewRank);

    int32_t lineNo() const { return m_lineNo; }
    bool rankFound() const { return m_rankFound; }

private:
    void checkPlace(const std::optional<double>& value, double shownScore, int16_t& NewRank);

    int32_t m_lineNo = 0;
    bool m_rankFound = false;
};
