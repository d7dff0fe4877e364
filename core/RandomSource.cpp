#include "core/RandomSource.h"

int RandomSource::draw(int low, int count) {
    int value = static_cast<int>(next() * static_cast<float>(count));
    if (value >= count) // guard against float rounding up to count
        value = count - 1;
    return low + value;
}
