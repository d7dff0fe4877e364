#include "stats/HistoryRecord.h"

#include "round/ProgramState.h"

#include <QDateTime>

#include <cmath>

namespace {
// The figures as the file writes them, so a record compares equal to itself read back.
double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}
} // namespace

HistoryRecord HistoryRecord::of(const ProgramState& state, bool bothSpellings,
                                const QDateTime& when) {
    HistoryRecord r;
    const QDateTime local = when.toLocalTime();
    r.time = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
    r.score = state.FinalScore;
    r.level = state.GameLevel;
    r.maxCombo = state.MaxCombo;
    const RoundFigures& f = state.figures;
    r.keys = f.keys();
    r.misses = f.misses();
    r.seconds = rounded(f.seconds(), 3);
    r.speed = rounded(f.speed(), 2);
    r.accuracy = rounded(f.accuracy(), 1);
    r.bothSpellings = bothSpellings;
    r.missesByKey = f.missesByKey();
    r.keysByKey = f.keysByKey();
    return r;
}
