#include "stats/WeakKeyTrend.h"

#include "stats/PracticeWeights.h"

#include <utility>

void WeakKeyTrend::add(const HistoryRecord& record) {
    if (m_recent.size() < static_cast<size_t>(Records)) {
        m_recent.push_back(record);
        return;
    }
    m_recent[m_oldest] = record;
    m_oldest = (m_oldest + 1) % m_recent.size();
}

void WeakKeyTrend::add(HistoryRecord&& record) {
    if (m_recent.size() < static_cast<size_t>(Records)) {
        m_recent.push_back(std::move(record));
        return;
    }
    std::swap(m_recent[m_oldest], record);
    m_oldest = (m_oldest + 1) % m_recent.size();
}

void WeakKeyTrend::append(WeakKeyTrend&& later) {
    for (size_t i = 0; i < later.m_recent.size(); ++i)
        add(std::move(later.m_recent[(later.m_oldest + i) % later.m_recent.size()]));
    later = WeakKeyTrend();
}

std::vector<WeakKeyTrend::Series> WeakKeyTrend::series() const {
    PracticeWeights weights;
    for (size_t i = 0; i < m_recent.size(); ++i)
        weights.add(record(static_cast<int>(i)));
    std::vector<Series> out;
    for (const char32_t key : weights.weakCharacters()) {
        if (static_cast<int>(out.size()) == Keys)
            break;
        Series s{key, {}};
        for (size_t i = 0; i < m_recent.size(); ++i) {
            const HistoryRecord& r = record(static_cast<int>(i));
            int keys = 0, misses = 0;
            for (const auto& [k, n] : r.keysByKey)
                if (k == key)
                    keys = n;
            if (keys == 0)
                continue;
            for (const auto& [k, n] : r.missesByKey)
                if (k == key)
                    misses = n;
            Point p{static_cast<int>(i) + 1, std::min(1.0, static_cast<double>(misses) / keys), -1};
            for (const RoundFigures::KeyTime& t : r.timesByKey)
                if (t.key == key)
                    p.meanMs = static_cast<double>(t.total) / t.count;
            s.points.push_back(p);
        }
        out.push_back(std::move(s));
    }
    return out;
}

double WeakKeyTrend::meanMs(char32_t key) const {
    double ms = 0, count = 0;
    for (size_t i = 0; i < m_recent.size(); ++i)
        for (const RoundFigures::KeyTime& t : record(static_cast<int>(i)).timesByKey)
            if (t.key == key) {
                ms += static_cast<double>(t.total);
                count += t.count;
            }
    return count > 0 ? ms / count : -1.0;
}
