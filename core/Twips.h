#pragma once

#include <cstdint>

// Conversions between the game's twips and the host's pixels (96 dpi: 15 twips a pixel), with
// the one size factor every window is laid out at.
class Twips {
public:
    static constexpr int PerPixel = 15;

    // Layout: a twips measure inside a window, at the current size factor.
    static int toPixels(double twips);
    static int32_t fromPixels(int pixels);
    // A font size at the current size factor.
    static double points(double points) { return points * s_scale; }

    // Window positions are places on the desktop: they never scale.
    static int screenToPixels(double twips);
    static int32_t screenFromPixels(int pixels) { return pixels * PerPixel; }

    // Nearest whole number, halves to even (the way window positions are stored).
    static int32_t roundHalfEven(double value);

    static double scale() { return s_scale; }
    // Anything but a positive, finite factor leaves the original size.
    static void setScale(double scale);

private:
    static inline double s_scale = 1.0;
};
