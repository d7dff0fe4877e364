#include "core/Twips.h"

#include <cmath>

int Twips::toPixels(double twips) {
    return static_cast<int>(std::lround(twips * s_scale / PerPixel));
}

int32_t Twips::fromPixels(int pixels) {
    if (s_scale == 1.0)
        return pixels * PerPixel;
    return static_cast<int32_t>(std::lround(pixels * PerPixel / s_scale));
}

int Twips::screenToPixels(double twips) {
    return static_cast<int>(std::lround(twips / PerPixel));
}

int32_t Twips::roundHalfEven(double value) {
    return static_cast<int32_t>(std::nearbyint(value)); // default rounding mode: to nearest even
}

void Twips::setScale(double scale) {
    s_scale = std::isfinite(scale) && scale > 0 ? scale : 1.0;
}
