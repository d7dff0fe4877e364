#include "core/Twips.h"

#include <cmath>

int Twips::toPixels(double twips) {
    return static_cast<int>(std::lround(twips / PerPixel));
}

int32_t Twips::roundHalfEven(double value) {
    return static_cast<int32_t>(std::nearbyint(value)); // default rounding mode: to nearest even
}
