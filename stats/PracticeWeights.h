#pragma once

#include "stats/HistoryRecord.h"

#include <cstdint>
#include <map>
#include <vector>

// How much practice each character needs, from the player's recent rounds and drill sessions:
// its smoothed miss rate and its slowness against the player's own average, turned into draw
// weights that favour weak characters while keeping every character possible.
class PracticeWeights {
public:
    // Only the most recent rounds and drill sessions count.
    static constexpr int RecentRecords = 50;
    // Every character keeps at least this share of the uniform chance.
    static constexpr double FloorShare = 0.25;
    // No phrase is drawn more than this many times as often as another.
    static constexpr double MaxPhraseRatio = 4.0;
    // The characters the phrase draw favours, weakest first.
    static constexpr int WeakCount = 5;

    struct KeyRecord {
        int64_t keys = 0;
        int64_t misses = 0;
        int64_t ms = 0; // summed over `timed` right keys
        int64_t timed = 0;
    };

    PracticeWeights() = default;
    // The last RecentRecords of `records` (oldest first).
    explicit PracticeWeights(const std::vector<HistoryRecord>& records);

    // From the recent records of the history file; uniform when it cannot be read.
    static PracticeWeights fromHistoryFile();

    // Adds one record; callers streaming a history add only the recent ones.
    void add(const HistoryRecord& record);
    const std::map<char32_t, KeyRecord>& keys() const { return m_keys; }

    // How weak a character is: about 1 for the player's average, more for a weak one, never
    // negative, NaN or infinite. A character never typed counts as average.
    double weakness(char32_t character) const;
    // Draw chances for `characters`, in their order, summing to 1: each at least FloorShare of
    // 1/size, the rest shared by weakness.
    std::vector<double> chances(const std::vector<char32_t>& characters) const;
    // The characters weaker than average, weakest first, at most WeakCount.
    std::vector<char32_t> weakCharacters() const;
    // A phrase's weight from the weak characters its text holds: 1 to MaxPhraseRatio.
    static double phraseWeight(const QString& text, const std::vector<char32_t>& weak);

private:
    double meanMissRate() const;
    double meanMs() const;

    std::map<char32_t, KeyRecord> m_keys;
};
