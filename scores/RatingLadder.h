#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The one-line rating of a final score: every row whose condition the score meets is applied
// in order, so the last one's caption is the one that stays.
class RatingLadder {
public:
    struct Row {
        QString caption;
        bool widen; // the label grows 150 twips past its caption
    };
    static constexpr int WidenTwips = 150;

    // The rows applied for this score, in the order they are applied.
    static std::vector<Row> rowsFor(int32_t finalScore);
};
