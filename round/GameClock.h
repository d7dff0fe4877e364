#pragma once

#include <cstdint>

// Keeps the round's game tick at its nominal pace: the host drops many short timer events,
// so each timer event asks how many whole intervals have passed on the monotonic clock and
// runs that many ticks. Changing the interval starts counting afresh from that moment.
class GameClock {
public:
    void start(int intervalMs, int64_t nowNs);
    void stop() { m_running = false; }
    // Takes the new interval from nowNs on; the same interval again changes nothing.
    void setInterval(int intervalMs, int64_t nowNs);
    // The ticks due since the last call (each counted once), 0 when stopped.
    int64_t dueTicks(int64_t nowNs);

    bool running() const { return m_running; }
    int intervalMs() const { return static_cast<int>(m_intervalNs / 1'000'000); }

private:
    int64_t m_intervalNs = 50'000'000;
    int64_t m_baseNs = 0; // the moment the last counted tick fell due
    bool m_running = false;
};
