#include "scores/RatingLadder.h"

std::vector<RatingLadder::Row> RatingLadder::rowsFor(int32_t finalScore) {
    struct Threshold {
        int32_t atLeast;
        const char16_t* caption;
    };
    static const Threshold ladder[] = {
        {0, u"残念"},
        {10000, u"うーん…。"},
        {30000, u"まぁまぁ"},
        {50000, u"いいですよー"},
        {80000, u"素晴らしい！"},
        {120000, u"美しい！"},
        {160000, u"あなたは偉大です！"},
        {200000, u"ﾃﾗカザミナｗｗｗｗｗｗ"},
    };
    std::vector<Row> rows;
    // The bottom row holds up to and including 0, so a score of 0 passes it and the next one.
    if (finalScore <= 0)
        rows.push_back({QStringLiteral("うわ、ひっどｗ"), false});
    for (const Threshold& t : ladder)
        if (finalScore >= t.atLeast)
            rows.push_back({QString::fromUtf16(t.caption), true});
    return rows;
}
