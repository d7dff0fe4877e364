#include "screens/ScreenScale.h"

#include "core/Twips.h"
#include "screens/ScreenWindow.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {
// Room the window manager's frame and title bar take around a window.
constexpr int FrameAllowanceWidth = 16;
constexpr int FrameAllowanceHeight = 48;
// Below this the screens cannot be read at all.
constexpr double SmallestFactor = 0.5;
} // namespace

double ScreenScale::fitFactor(QSize area) {
    const double across = double(area.width()) * Twips::PerPixel / ScreenWindow::ClientWidthTwips;
    const double down = double(area.height()) * Twips::PerPixel / ScreenWindow::ClientHeightTwips;
    return std::max(SmallestFactor, std::min(across, down));
}

double ScreenScale::factorFor(double option, QSize available) {
    if (option > 0)
        return option;
    return fitFactor(available - QSize(FrameAllowanceWidth, FrameAllowanceHeight));
}

double ScreenScale::apply(double option) {
    QSize available(Twips::toPixels(ScreenWindow::ClientWidthTwips),
                    Twips::toPixels(ScreenWindow::ClientHeightTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        available = screen->availableGeometry().size();
    const double factor = factorFor(option, available);
    Twips::setScale(factor);
    if (Twips::scale() != 1.0) {
        QFont font = QApplication::font();
        font.setPointSizeF(Twips::points(font.pointSizeF()));
        QApplication::setFont(font);
    }
    return Twips::scale();
}
