#pragma once

#include <QSize>

// The one size factor of every window: chosen in the options, or the largest that fits.
class ScreenScale {
public:
    // The largest factor at which a screen's client area fits into the given pixels.
    static double fitFactor(QSize area);
    // The factor an option stands for on this display: 0 means the largest that fits.
    static double factorFor(double option, QSize available);
    // Call once before the first window: sets the factor for the layouts and, away from the
    // original size, the standard font that message boxes and dialogs use.
    static double apply(double option);
};
