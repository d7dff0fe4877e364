#include "stats/PracticeWeights.h"

#include "stats/HistoryFile.h"

#include <QList>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
// Keys of the player's average a character is taken to have typed before its own: a character
// seen twice with one miss is not yet a 50% key.
constexpr double PriorKeys = 4.0;
// Keeps the miss ratio finite for a player who never misses.
constexpr double RateFloor = 0.02;
// How much misses count against slowness in a character's weakness.
constexpr double MissShare = 0.6;
constexpr double MaxWeakness = 100.0;
// A character counts as weak for the phrase draw from this weakness on.
constexpr double WeakFrom = 1.05;
// Each weak character a phrase holds adds this to its weight.
constexpr double WeightPerHit = 0.5;

double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}
} // namespace

PracticeWeights::PracticeWeights(const std::vector<HistoryRecord>& records) {
    const size_t first = records.size() > RecentRecords ? records.size() - RecentRecords : 0;
    for (size_t i = first; i < records.size(); ++i)
        add(records[i]);
}

PracticeWeights PracticeWeights::fromHistoryFile() {
    return PracticeWeights(HistoryFile::loadRecent(RecentRecords));
}

void PracticeWeights::add(const HistoryRecord& r) {
    for (const auto& [key, n] : r.keysByKey)
        m_keys[key].keys += n;
    for (const auto& [key, n] : r.missesByKey)
        m_keys[key].misses += n;
    for (const RoundFigures::KeyTime& t : r.timesByKey) {
        KeyRecord& k = m_keys[t.key];
        k.ms = t.total > INT64_MAX - k.ms ? INT64_MAX : k.ms + t.total;
        k.timed += t.count;
    }
}

double PracticeWeights::meanMissRate() const {
    double keys = 0, misses = 0;
    for (const auto& [key, k] : m_keys) {
        keys += static_cast<double>(k.keys);
        misses += static_cast<double>(std::min(k.misses, k.keys));
    }
    return keys > 0 ? misses / keys : 0.0;
}

double PracticeWeights::meanMs() const {
    double ms = 0, timed = 0;
    for (const auto& [key, k] : m_keys) {
        ms += static_cast<double>(k.ms);
        timed += static_cast<double>(k.timed);
    }
    return timed > 0 ? ms / timed : 0.0;
}

double PracticeWeights::weakness(char32_t character) const {
    const auto it = m_keys.find(character);
    if (it == m_keys.end())
        return 1.0;
    const KeyRecord& k = it->second;
    const double meanRate = meanMissRate();
    const double rate = (static_cast<double>(std::min(k.misses, k.keys)) + PriorKeys * meanRate) /
                        (static_cast<double>(k.keys) + PriorKeys);
    const double missRatio = (rate + RateFloor) / (meanRate + RateFloor);
    const double mean = meanMs();
    double timeRatio = 1.0;
    if (mean > 0) {
        const double ms = (static_cast<double>(k.ms) + PriorKeys * mean) /
                          (static_cast<double>(k.timed) + PriorKeys);
        timeRatio = ms / mean;
    }
    const double w = MissShare * missRatio + (1.0 - MissShare) * timeRatio;
    return std::clamp(finiteOr(w, 1.0), 0.0, MaxWeakness);
}

std::vector<double> PracticeWeights::chances(const std::vector<char32_t>& characters) const {
    const size_t n = characters.size();
    std::vector<double> out(n, n > 0 ? 1.0 / static_cast<double>(n) : 0.0);
    if (n == 0)
        return out;
    std::vector<double> raw(n);
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double w = weakness(characters[i]);
        // Squared, so that practice leans clearly towards the weak characters.
        raw[i] = std::max(w * w, 1e-6);
        sum += raw[i];
    }
    if (!(sum > 0) || !std::isfinite(sum))
        return out;
    const double floor = FloorShare / static_cast<double>(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = floor + (1.0 - FloorShare) * raw[i] / sum;
    return out;
}

std::vector<char32_t> PracticeWeights::weakCharacters() const {
    std::vector<std::pair<double, char32_t>> ranked;
    for (const auto& [key, k] : m_keys) {
        if (k.keys <= 0 && k.timed <= 0)
            continue;
        const double w = weakness(key);
        if (w >= WeakFrom)
            ranked.emplace_back(w, key);
    }
    // Weakest first; equal ones by character, so the choice never depends on the map's order.
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<char32_t> weak;
    for (size_t i = 0; i < ranked.size() && i < WeakCount; ++i)
        weak.push_back(ranked[i].second);
    return weak;
}

double PracticeWeights::phraseWeight(const QString& text, const std::vector<char32_t>& weak) {
    if (weak.empty())
        return 1.0;
    int hits = 0;
    for (const uint c : text.toUcs4())
        if (std::find(weak.begin(), weak.end(), c) != weak.end())
            ++hits;
    return std::min(MaxPhraseRatio, 1.0 + WeightPerHit * hits);
}
