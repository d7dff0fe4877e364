#pragma once

#include "settings/GameOptions.h"
#include "stats/RoundFigures.h"

#include <QString>

#include <cstdint>

class QDateTime;

// One finished round or drill session as the history keeps it.
struct HistoryRecord {
    enum class Kind { Round, Drill };

    QString time; // local date and time, ISO 8601 with the offset from UTC
    int32_t score = 0;
    int32_t level = 1;
    int32_t maxCombo = 0;
    int keys = 0;
    int misses = 0;
    double seconds = 0;
    double speed = 0;    // right keys per second
    double accuracy = 0; // percent
    bool bothSpellings = false;
    RoundFigures::KeyCounts missesByKey;
    RoundFigures::KeyCounts keysByKey;
    // Lines written before these columns existed read as exact or both, romaji, round, untimed.
    GameOptions::Judging judging = GameOptions::Judging::Exact;
    GameOptions::Input input = GameOptions::Input::Romaji;
    Kind kind = Kind::Round;
    RoundFigures::KeyTimes timesByKey; // milliseconds

    // A round or drill session that ended with these results at `when`, played with `options`.
    static HistoryRecord of(int32_t score, int32_t level, int32_t maxCombo,
                            const RoundFigures& figures, const GameOptions& options, Kind kind,
                            const QDateTime& when);

    bool operator==(const HistoryRecord&) const = default;
};
