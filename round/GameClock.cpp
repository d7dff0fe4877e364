#include "round/GameClock.h"

#include <algorithm>

void GameClock::start(int intervalMs, int64_t nowNs) {
    m_intervalNs = std::max<int64_t>(1, intervalMs) * 1'000'000;
    m_baseNs = nowNs;
    m_running = true;
}

void GameClock::setInterval(int intervalMs, int64_t nowNs) {
    const int64_t intervalNs = std::max<int64_t>(1, intervalMs) * 1'000'000;
    if (intervalNs == m_intervalNs)
        return;
    m_intervalNs = intervalNs;
    m_baseNs = nowNs;
}

int64_t GameClock::dueTicks(int64_t nowNs) {
    if (!m_running || nowNs <= m_baseNs)
        return 0;
    const int64_t ticks = (nowNs - m_baseNs) / m_intervalNs;
    // Advance by whole intervals only, so the remainder counts towards the next tick.
    m_baseNs += ticks * m_intervalNs;
    return ticks;
}
