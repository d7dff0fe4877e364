#pragma once

#include "stats/HistoryRecord.h"

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
    // The same, taking the record's lists: once full, the oldest record's lists go back in
    // `record`, so a reader that refills it allocates nothing.
    void add(HistoryRecord&& record);
    // Adds a later trend's records after this one's, oldest first.
    void append(WeakKeyTrend&& later);
    int records() const { return static_cast<int>(m_recent.size()); }
    // The weakest characters, weakest first, each with its points.
    std::vector<Series> series() const;
    // A character's mean time over the recent records in ms; -1 when it was never timed.
    double meanMs(char32_t key) const;

    // The i-th of the kept records, oldest first.
    const HistoryRecord& record(int i) const {
        return m_recent[(m_oldest + static_cast<size_t>(i)) % m_recent.size()];
    }

private:
    // A ring: once full, each new record is copied over the oldest, reusing its lists' memory,
    // as a long history streams a record through here for every round.
    std::vector<HistoryRecord> m_recent;
    size_t m_oldest = 0;
};
