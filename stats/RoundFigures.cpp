#include "stats/RoundFigures.h"

#include <algorithm>

void RoundFigures::playBegins(int64_t nowNs) {
    m_beginNs = nowNs;
    m_begun = true;
    m_ended = false;
    m_lastRightNs = NoTime;
}

void RoundFigures::playEnds(int64_t nowNs) {
    if (!m_begun || m_ended)
        return;
    m_endNs = nowNs;
    m_ended = true;
}

void RoundFigures::rightKey(char32_t expected, int64_t atNs) {
    ++m_right;
    count(m_keysByKey, expected);
    if (atNs == NoTime)
        return;
    if (m_lastRightNs != NoTime && expected != 0 && atNs >= m_lastRightNs) {
        auto it = std::find_if(m_timesByKey.begin(), m_timesByKey.end(),
                               [expected](const KeyTime& t) { return t.key == expected; });
        if (it == m_timesByKey.end())
            it = m_timesByKey.insert(m_timesByKey.end(), KeyTime{expected, 0, 0});
        it->total += atNs - m_lastRightNs;
        ++it->count;
    }
    m_lastRightNs = atNs;
}

void RoundFigures::wrongKey(char32_t expected) {
    ++m_misses;
    count(m_keysByKey, expected);
    count(m_missesByKey, expected);
}

void RoundFigures::count(KeyCounts& counts, char32_t key) {
    if (key == 0)
        return;
    for (auto& [k, n] : counts) {
        if (k == key) {
            ++n;
            return;
        }
    }
    counts.emplace_back(key, 1);
}

double RoundFigures::seconds() const {
    if (!m_ended || m_endNs <= m_beginNs)
        return 0.0;
    return static_cast<double>(m_endNs - m_beginNs) / 1e9;
}

double RoundFigures::speed() const {
    const double s = seconds();
    return s > 0 ? m_right / s : 0.0;
}

double RoundFigures::accuracy() const {
    return keys() > 0 ? 100.0 * m_right / keys() : 0.0;
}

std::vector<char32_t> RoundFigures::weakKeys(int count) const {
    KeyCounts ranked = m_missesByKey;
    // Stable: equal counts stay in the order they were first missed.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<char32_t> keys;
    for (int i = 0; i < count && i < static_cast<int>(ranked.size()); ++i)
        keys.push_back(ranked[i].first);
    return keys;
}

char32_t RoundFigures::codePoint(const QString& text) {
    if (text.isEmpty())
        return 0;
    if (text.size() > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
        return QChar::surrogateToUcs4(text.at(0), text.at(1));
    return text.at(0).unicode();
}
