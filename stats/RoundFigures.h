#pragma once

#include <QString>

#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

// The figures of one round for the player's feedback: keys judged, right keys, misses, play
// time, speed, accuracy, phrases completed and which characters were missed. The judge feeds
// it key by key; the round window stamps the start and end of play from the game's clock.
class RoundFigures {
public:
    // A character and how often it came up; kept in the order each was first counted.
    using KeyCounts = std::vector<std::pair<char32_t, int>>;
    // The time a character took, summed over the `count` times it was timed.
    struct KeyTime {
        char32_t key = 0;
        int64_t total = 0; // nanoseconds here, milliseconds in the history
        int count = 0;
        bool operator==(const KeyTime&) const = default;
    };
    using KeyTimes = std::vector<KeyTime>;
    static constexpr int64_t NoTime = INT64_MIN;

    void reset() { *this = RoundFigures{}; }

    // Play runs from the first phrase shown to the end of the round; the countdown is not play.
    void playBegins(int64_t nowNs);
    void playEnds(int64_t nowNs);

    // A judged key: `expected` is the character the player should have typed (0 when none),
    // `atNs` when it came on the game's clock (NoTime: not timed). A right key's time runs from
    // the previous right key, misses in between included; the first of a phrase is not timed,
    // as it holds the reading of the phrase.
    void rightKey(char32_t expected, int64_t atNs = NoTime);
    void wrongKey(char32_t expected);
    void rightKey(const QString& expected, int64_t atNs = NoTime) {
        rightKey(codePoint(expected), atNs);
    }
    void wrongKey(const QString& expected) { wrongKey(codePoint(expected)); }
    void phraseCompleted() {
        ++m_phrases;
        m_lastRightNs = NoTime;
    }

    int keys() const { return m_right + m_misses; }
    int rightKeys() const { return m_right; }
    int misses() const { return m_misses; }
    int phrases() const { return m_phrases; }
    // Seconds of play; 0 until play has ended.
    double seconds() const;
    // Right keys per second of play; 0 without play time.
    double speed() const;
    // Right keys in percent of the judged ones; 0 when none was judged.
    double accuracy() const;

    // Misses per expected character, in the order each was first missed.
    const KeyCounts& missesByKey() const { return m_missesByKey; }
    // Judged keys per expected character (right and wrong), in the order each first came up.
    const KeyCounts& keysByKey() const { return m_keysByKey; }
    // Time per expected character, in the order each was first timed.
    const KeyTimes& timesByKey() const { return m_timesByKey; }
    // The characters missed most often, most first; ties keep the order they were first missed.
    std::vector<char32_t> weakKeys(int count = 3) const;

    // The first character of a text (0 for an empty one).
    static char32_t codePoint(const QString& text);

private:
    static void count(KeyCounts& counts, char32_t key);

    int64_t m_beginNs = 0;
    int64_t m_endNs = 0;
    bool m_begun = false;
    bool m_ended = false;
    int m_right = 0;
    int m_misses = 0;
    int m_phrases = 0;
    KeyCounts m_missesByKey;
    KeyCounts m_keysByKey;
    KeyTimes m_timesByKey;
    int64_t m_lastRightNs = NoTime;
};
