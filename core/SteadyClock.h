#pragma once

#include "core/MonotonicClock.h"

// The host's steady clock.
class SteadyClock : public MonotonicClock {
public:
    int64_t nowNs() const override;
};
