#pragma once

#include "stats/HistoryRecord.h"

#include <QColor>
#include <QString>

#include <map>
#include <vector>

// What the progress window shows, worked out from the history without drawing anything: the
// rounds its charts plot and, for each key of the keyboard picture, the misses and keys of the
// recent rounds with the colour they earn.
class ProgressModel {
public:
    static constexpr int ChartRounds = 200;
    static constexpr int KeyRounds = 50;
    // Miss rates at and above this are drawn full red; none is full green.
    static constexpr double RedRate = 0.20;

    struct Point {
        int round = 0; // 1 for the first round in the history
        int32_t score = 0;
        double speed = 0;
        double accuracy = 0;
    };
    struct KeyStat {
        int misses = 0;
        int keys = 0;   // times the key was the one to type
        int64_t ms = 0; // the time its right keys took in all, over `timed` of them
        int timed = 0;
        double rate() const { return keys > 0 ? static_cast<double>(misses) / keys : 0.0; }
        double meanMs() const { return timed > 0 ? static_cast<double>(ms) / timed : -1.0; }
    };

    explicit ProgressModel(const std::vector<HistoryRecord>& records);

    bool empty() const { return m_totalRounds == 0; }
    int totalRounds() const { return m_totalRounds; }
    // The last ChartRounds rounds, oldest first.
    const std::vector<Point>& points() const { return m_points; }
    // How many of the last rounds the keyboard counts (KeyRounds, or fewer in a short history).
    int keyRounds() const { return m_keyRounds; }
    KeyStat keyStat(char32_t key) const;
    QColor colour(char32_t key) const;
    QString toolTip(char32_t key) const;

    // The keyboard key that types a character: letters fold to their lower case and the
    // shifted ! and ? to their keys; 0 for characters the picture has no key for.
    static char32_t keyFor(char32_t character);
    static QColor colourFor(const KeyStat& stat);
    // The QWERTY rows of the picture, top first; U' ' is the space bar.
    static const std::vector<std::vector<char32_t>>& rows();
    // What a key cap shows.
    static QString capLabel(char32_t key);

private:
    int m_totalRounds = 0;
    int m_keyRounds = 0;
    std::vector<Point> m_points;
    std::map<char32_t, KeyStat> m_keys;
};
