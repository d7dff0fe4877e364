#pragma once

#include "stats/HistoryRecord.h"

#include <deque>
#include <vector>

// The progress window's 「苦手キーの推移」: the player's five weakest characters now, and how
// each one's miss rate and mean time went over the recent rounds and drill sessions. Fed one
// record at a time, oldest first, it keeps only the recent ones, so a history of any length
// costs the same memory.
class WeakKeyTrend {
public:
    static constexpr int Records = 50;
    static constexpr int Keys = 5;

    struct Point {
        int record = 0;      // 1 for the oldest record kept
        double missRate = 0; // 0..1
        double meanMs = -1;  // -1: no right key of it was timed there
    };
    struct Series {
        char32_t key = 0;
        std::vector<Point> points; // only the records where the key came up
    };

    void add(const HistoryRecord& record);
    int records() const { return static_cast<int>(m_recent.size()); }
    // The weakest characters, weakest first, each with its points.
    std::vector<Series> series() const;
    // A character's mean time over the recent records in ms; -1 when it was never timed.
    double meanMs(char32_t key) const;

private:
    std::deque<HistoryRecord> m_recent;
};
