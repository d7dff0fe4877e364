#pragma once

#include <cstdint>

// Conversions between the game's twips and the host's pixels (96 dpi: 15 twips a pixel).
class Twips {
public:
    static constexpr int PerPixel = 15;

    static int toPixels(double twips);
    static int32_t fromPixels(int pixels) { return pixels * PerPixel; }
    // Nearest whole number, halves to even (the way window positions are stored).
    static int32_t roundHalfEven(double value);
};
