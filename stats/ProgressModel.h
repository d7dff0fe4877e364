#pragma once

#include "stats/HistoryReader.h"
#include "stats/HistoryRecord.h"
#include "stats/WeakKeyTrend.h"

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <iterator>
#include <string_view>
#include <vector>

// What the progress window shows, gathered round by round as the history streams past and
// without drawing anything: the last rounds its charts plot, each keyboard key's misses and
// keys over the recent rounds and over the whole history, and the summary read out for those
// who cannot see the charts. Romaji and kana rounds keep their key figures apart, the kana ones
// per kana. Its size does not grow with the history.
class ProgressModel {
public:
    using Input = GameOptions::Input;

    static constexpr int ChartRounds = 200;
    static constexpr int KeyRounds = 50;
    static constexpr int TrendRounds = 10;
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
    // One figure per keyboard key, in the order of keyIndex(); a new per-key figure is one
    // more field of Tally.
    struct Tally {
        int64_t misses = 0;
        int64_t keys = 0;
        int64_t ms = 0; // time of the timed right keys in all
        int64_t timed = 0;
    };
    static constexpr int KeyCount = 42;
    using Tallies = std::array<Tally, KeyCount>;
    // The kana figures: the hiragana block, then the signs of the kana layout outside it.
    static constexpr char32_t FirstKana = U'\u3041';
    static constexpr int KanaBlock = 0x30A0 - 0x3041;
    static constexpr char32_t KanaSigns[] = {U'ー', U'「', U'」', U'、', U'。', U'・'};
    static constexpr int KanaCount = KanaBlock + static_cast<int>(std::size(KanaSigns));

    // Whole rounds along the charts' round axis: a tick on every `interval` rounds from
    // `anchor`, and a margin either side so that the first and last points are not on the edge.
    struct RoundAxis {
        double min = 0;
        double max = 0;
        int anchor = 0;
        int interval = 1;
        std::vector<int> ticks() const;
    };

    // The model of the history in a file, read as a stream, and what the reading met.
    struct Loaded;
    static Loaded load(const QString& gamePath);

    ProgressModel() = default;
    explicit ProgressModel(const std::vector<HistoryRecord>& records);
    void add(const HistoryRecord& record);
    // The same, taking the record's lists instead of copying them.
    void add(HistoryRecord&& record);
    // Adds the model of the rounds that follow this model's, read apart: the same model as if
    // they had been added one by one.
    void append(ProgressModel&& later);

    bool empty() const { return m_totalRounds == 0; }
    // Whether any round or drill session was played with this input.
    bool has(Input input) const { return records(input) > 0; }
    // The input of the newest record; romaji for an empty history.
    Input lastInput() const { return m_lastInput; }
    int totalRounds() const { return m_totalRounds; }
    // The last ChartRounds rounds, oldest first.
    const std::deque<Point>& points() const { return m_points; }
    // How many of the last rounds the keyboard counts (KeyRounds, or fewer in a short history).
    int keyRounds() const { return m_trend.records(); }
    KeyStat keyStat(char32_t key) const;
    // A key's misses and keys over every round of the history.
    Tally wholeHistory(char32_t key) const;
    // The same figures of one input's rounds only; for kana, per kana (not per key).
    int keyRounds(Input input) const;
    KeyStat keyStat(char32_t character, Input input) const;
    Tally wholeHistory(char32_t character, Input input) const;
    QColor colour(char32_t key) const;
    QString toolTip(char32_t key) const;
    // The miss rate written on a key, so that the colour is not the only cue.
    QString capRate(char32_t key) const;
    // The charts in words: the last round's score, speed and accuracy and their trend.
    QString summary() const;
    RoundAxis roundAxis() const;
    // 「苦手キーの推移」 over the last rounds and drill sessions of an input.
    const WeakKeyTrend& weakKeyTrend(Input input = Input::Romaji) const {
        return input == Input::Kana ? m_kanaTrend : m_trend;
    }

    static RoundAxis roundAxis(int first, int last);
    // The keyboard key that types a character: letters fold to their lower case and the
    // shifted ! and ? to their keys; 0 for characters the picture has no key for.
    static char32_t keyFor(char32_t character);
    // Where a key's figures stand in Tallies; -1 for a character the picture has no key for.
    static int keyIndex(char32_t character) { return character < 128 ? AsciiKeys[character] : -1; }
    // Where a kana's figures stand among the KanaCount, -1 for any other character; and back.
    static int kanaIndex(char32_t character);
    static char32_t kanaAt(int index);
    static QColor colourFor(const KeyStat& stat);
    // A key's tooltip and cap figure from its figures over `rounds` rounds, `name` naming it.
    static QString toolTipFor(const QString& name, const KeyStat& stat, int rounds);
    static QString capRateFor(const KeyStat& stat);
    // Black or white, whichever reads better on a key of this colour.
    static QColor textOn(const QColor& fill);
    // The contrast ratio of two colours as accessibility guidelines define it, 1 to 21.
    static double contrast(const QColor& a, const QColor& b);
    // The QWERTY rows of the picture, top first; U' ' is the space bar.
    static const std::vector<std::vector<char32_t>>& rows();
    // What a key cap shows, and a key's name when read out.
    static QString capLabel(char32_t key);
    static QString keyName(char32_t key);

private:
    // The picture's rows, top first; U' ' is the space bar.
    static constexpr std::array<std::string_view, 5> RowKeys = {"1234567890-", "qwertyuiop",
                                                                "asdfghjkl;", "zxcvbnm,./", " "};
    // ASCII character to key index, made at compile time: the history's reading looks up every
    // pair of every round here.
    static constexpr std::array<int8_t, 128> AsciiKeys = [] {
        std::array<int8_t, 128> t{};
        for (int8_t& k : t)
            k = -1;
        int index = 0;
        for (std::string_view row : RowKeys)
            for (char key : row)
                t[static_cast<size_t>(key)] = static_cast<int8_t>(index++);
        for (char c = 'A'; c <= 'Z'; ++c)
            t[static_cast<size_t>(c)] = t[static_cast<size_t>(c - 'A' + 'a')];
        t['!'] = t['1'];
        t['?'] = t['/'];
        return t;
    }();

    // One input's key figures, `Slots` of them found by `index`: the whole history's sums, kept
    // as each record comes in, and the last KeyRounds records' sums, made from the input's trend
    // (which keeps exactly those records) only when first asked for after a record came in.
    template <int Slots, int (*index)(char32_t)> struct KeySums {
        int records = 0;
        std::array<Tally, Slots> whole{};
        mutable std::array<KeyStat, Slots> recent{};
        mutable bool recentReady = false;

        void add(const HistoryRecord& record);
        void append(const KeySums& later);
        KeyStat recentOf(char32_t character, const WeakKeyTrend& trend) const;
        Tally wholeOf(char32_t character) const;
    };
    static_assert(KeyRounds == WeakKeyTrend::Records);
    // What every record adds, however long the history, but the trend.
    void tally(const HistoryRecord& record);
    int records(Input input) const;

    int m_totalRounds = 0;
    Input m_lastInput = Input::Romaji;
    std::deque<Point> m_points;
    KeySums<KeyCount, keyIndex> m_romaji;
    KeySums<KanaCount, kanaIndex> m_kana;
    WeakKeyTrend m_trend;
    WeakKeyTrend m_kanaTrend;
};

struct ProgressModel::Loaded {
    ProgressModel model;
    HistoryReader::Result read;
};
