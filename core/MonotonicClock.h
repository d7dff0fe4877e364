#pragma once

#include <cstdint>

// A monotonic clock in nanoseconds; the game's pace is measured with it and tests pin it.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual int64_t nowNs() const = 0;
};
