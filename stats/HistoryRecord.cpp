#include "stats/HistoryRecord.h"

#include <QDateTime>

#include <cmath>

namespace {
// The figures as the file writes them, so a record compares equal to itself read back.
double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}
} // namespace

HistoryRecord HistoryRecord::of(int32_t score, int32_t level, int32_t maxCombo,
                                const RoundFigures& f, const GameOptions& options, Kind kind,
                                const QDateTime& when) {
    HistoryRecord r;
    const QDateTime local = when.toLocalTime();
    r.time = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
    r.score = score;
    r.level = level;
    r.maxCombo = maxCombo;
    r.keys = f.keys();
    r.misses = f.misses();
    r.seconds = rounded(f.seconds(), 3);
    r.speed = rounded(f.speed(), 2);
    r.accuracy = rounded(f.accuracy(), 1);
    r.bothSpellings = options.acceptBothSpellings();
    r.missesByKey = f.missesByKey();
    r.keysByKey = f.keysByKey();
    r.judging = options.judging;
    r.input = options.input;
    r.kind = kind;
    for (const RoundFigures::KeyTime& t : f.timesByKey())
        r.timesByKey.push_back({t.key, (t.total + 500'000) / 1'000'000, t.count});
    return r;
}
