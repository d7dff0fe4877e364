#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// The round's running score is a 32-bit signed value, as the table stores it. Adding to it stops
// at the type's limits instead of overflowing: no person gets there, but a bot or a fuzzer
// typing a phrase a millisecond does after a few thousand phrases, and an overflow is undefined
// behaviour that in practice wraps a record score round to a large negative one.
namespace SaturatingScore {

constexpr int32_t add(int32_t score, int64_t delta) {
    const int64_t sum = static_cast<int64_t>(score) + delta;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace SaturatingScore
